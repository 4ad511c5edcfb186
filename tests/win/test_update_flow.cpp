// The update flow in this process against the platform test server's update descriptions: what it fetches, what
// it tells the user, which setup it starts and what it leaves behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untSettings.h"
#include "base/untText.h"
#include "testkit/ClientDriver.h"
#include "testkit/SignedPrograms.h"
#include "testkit/WinTestSupport.h"
#include "update/untFormDownload.h"
#include "update/untSetupSignature.h"
#include "update/untUpdateFlow.h"

namespace {

const wchar_t kCorrupted[] = L"下载到的更新程序可能已经损坏，不能完成更新和升级。建议您再次运行 Tovlane 程序进行升级。";
const wchar_t kCancelled[] = L"您取消了更新。为了保证您的正常使用，建议您下次完成更新。";
const wchar_t kDownloadFailed[] =
    L"安装程序下载失败，可能您的网络无法正常下载更新程序。为了保证您的正常使用，建议您下次完成更新。";

class TFakeHost : public IUpdateHost {
 public:
  std::vector<std::pair<std::wstring, UINT>> messages;
  bool closed = false;

  HWND OwnerWindow() override { return nullptr; }
  int MsgBox(const std::wstring& text, UINT types) override {
    messages.emplace_back(text, types);
    return IDOK;
  }
  void CloseForUpdate() override { closed = true; }
};

// The flow's settings while the object lives: section "Debug" of a settings file of the test's own as IniFile, and
// an installed Flash player.
struct TFlowSettings {
  explicit TFlowSettings(const std::map<std::wstring, std::wstring>& debugSettings) : file(debugSettings, FileBase()) {
    IniFile = std::make_unique<TIniFile>(FileBase() + L".ini");
    settings.SetCurrentFlashVersion(L"11.9.900.117");
  }
  ~TFlowSettings() { IniFile.reset(); }
  static std::wstring FileBase() { return GetSpecialFolderPath(CSIDL_APPDATA) + L"\\update-flow-test"; }

  TClientSettings file;
  TTovlaneSettings settings;
};

std::wstring AppDataFile(const std::wstring& name) { return GetSpecialFolderPath(CSIDL_APPDATA) + L"\\" + name; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The marker the test setup program writes next to itself, waited for a while as the program runs on its own.
std::string Marker(const std::wstring& setupName) {
  const std::wstring marker = AppDataFile(setupName) + L".marker";
  for (DWORD start = GetTickCount(); !Exists(marker) && GetTickCount() - start < 20000;) Sleep(20);
  Sleep(100);
  return ReadWholeFile(marker);
}

// The command line of a setup started without arguments.
std::string StartedPlainly(const std::wstring& setupName) { return "\"" + WideToAnsi(AppDataFile(setupName)) + "\""; }

void RemoveUpdateFiles() {
  for (const wchar_t* name : {L"TovlaneSetup.exe", L"FlashSetup.exe"}) {
    const std::wstring path = AppDataFile(name);
    // A setup that was started may still hold its file a moment.
    for (int i = 0; i < 100 && Exists(path) && !DeleteFileW(path.c_str()); ++i) Sleep(50);
    DeleteFileW((path + L".marker").c_str());
  }
}

void RunCheck(TUpdateFlow& flow) {
  flow.StartClientUpdate();
  PumpMessagesUntil([&] { return !flow.Checking(); });
}

class UpdateFlow : public ::testing::Test {
 protected:
  void SetUp() override { RemoveUpdateFiles(); }
  void TearDown() override { RemoveUpdateFiles(); }
  TMainThread mainThread;
};

}  // namespace

TEST_F(UpdateFlow, DecidesDownloadsChecksAndStartsTheSetup) {
  struct Case {
    const wchar_t* description;
    std::map<std::wstring, std::wstring> settings;
    const wchar_t* started;  // the setup that ran, or none
    const wchar_t* message;  // what the user was told, or nothing
  } cases[] = {
      {L"client", {}, L"TovlaneSetup.exe", nullptr},
      {L"digest-upper", {}, L"TovlaneSetup.exe", nullptr},
      {L"client-and-flash", {{L"ForceFlashVersion", L"0.0"}}, L"TovlaneSetup.exe", nullptr},
      {L"flash", {{L"ForceFlashVersion", L"11.8.800.149"}}, L"FlashSetup.exe", nullptr},
      {L"flash", {{L"ForceFlashVersion", L"11.8.800.150"}}, nullptr, nullptr},
      {L"setup-404", {{L"ForceDownloadUrl", ServerUrl(L"/setup/test-setup")}}, L"TovlaneSetup.exe", nullptr},
      {L"client", {{L"ForceClientVersion", L"" TOVLANE_FOLLOWING_VERSION}}, nullptr, nullptr},
      {L"current", {}, nullptr, nullptr},
      {L"lower-tag", {}, nullptr, nullptr},
      {L"unknown-keys", {}, L"TovlaneSetup.exe", nullptr},
      {L"missing-case", {}, nullptr, nullptr},
      {L"digest-mismatch", {}, nullptr, kCorrupted},
      {L"digest-missing", {}, nullptr, kCorrupted},
      {L"digest-short", {}, nullptr, kCorrupted},
      {L"setup-404", {}, nullptr, kDownloadFailed},
      {L"setup-cut", {}, nullptr, kDownloadFailed},
      {L"client", {{L"ForceDownloadUrl", L"http://127.0.0.1:1/"}}, nullptr, kDownloadFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.description) + " " + std::to_string(c.settings.size()));
    RemoveUpdateFiles();
    TFakeHost host;
    std::map<std::wstring, std::wstring> debugSettings = c.settings;
    debugSettings[L"OnlineCheckUrl"] = ServerUrl(L"/update/") + c.description;
    TFlowSettings settings(debugSettings);
    TUpdateFlow flow(host, settings.settings);
    RunCheck(flow);
    EXPECT_EQ(c.started != nullptr, host.closed) << "a started setup ends the client";
    if (c.started) {
      EXPECT_EQ(StartedPlainly(c.started), Marker(c.started));
    } else {
      EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe")));
      EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe.marker")));
      EXPECT_FALSE(Exists(AppDataFile(L"FlashSetup.exe.marker")));
    }
    if (c.message) {
      ASSERT_EQ(1u, host.messages.size());
      EXPECT_EQ(c.message, host.messages[0].first);
      EXPECT_EQ(UINT(MB_ICONERROR), host.messages[0].second);
    } else {
      EXPECT_TRUE(host.messages.empty());
    }
  }
}

TEST_F(UpdateFlow, ASignedClientRunsOnlyASetupTrustedAsSignedByItsOwnCertificate) {
  const TTrustedTestRoot root;
  ASSERT_TRUE(root.Added());
  const std::string clientCertificate = TrustedSignerOf(SignedProgram(L"client.exe"), nullptr);
  ASSERT_FALSE(clientCertificate.empty()) << "the trust provider accepts the signed client";
  enum TSigner { sgNone, sgClient, sgOther };
  // ckUntrustedRoot: Wine's provider accepts a signature under any root, where Windows refuses one whose root
  // it does not trust; that refusal comes through the flow's seam.
  enum TClient { ckSigned, ckUnsigned, ckUntrustedRoot };
  const struct {
    const wchar_t* setup;
    TSigner trustedSigner;  // what the trust provider makes of the setup
    TClient client;
    bool runs;
  } cases[] = {
      {L"same.exe", sgClient, ckSigned, true},     {L"other.exe", sgOther, ckSigned, false},
      {L"unsigned.exe", sgNone, ckSigned, false},  {L"altered.exe", sgNone, ckSigned, false},
      {L"forged.exe", sgNone, ckSigned, false},    {L"same.exe", sgClient, ckUntrustedRoot, false},
      {L"unsigned.exe", sgNone, ckUnsigned, true},  // this program is unsigned: the digest alone decides
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.setup) + " client " + std::to_string(c.client));
    const std::string signer = TrustedSignerOf(SignedProgram(c.setup), nullptr);
    EXPECT_EQ(c.trustedSigner == sgClient, signer == clientCertificate);
    EXPECT_EQ(c.trustedSigner == sgNone, signer.empty());
    RemoveUpdateFiles();
    TFakeHost host;
    TFlowSettings settings({{L"OnlineCheckUrl", ServerUrl(L"/update/client?setup=signed/") + c.setup}});
    TUpdateFlow flow(host, settings.settings);
    TSignatureChecks checks;
    if (c.client != ckUnsigned) checks.ClientSigner = [&] { return std::optional<std::string>(clientCertificate); };
    if (c.client == ckUntrustedRoot) checks.TrustedSigner = [](const std::wstring&, HANDLE) { return std::string(); };
    flow.SetSignatureChecks(checks);
    RunCheck(flow);
    EXPECT_EQ(c.runs, host.closed);
    if (c.runs) {
      EXPECT_EQ(StartedPlainly(L"TovlaneSetup.exe"), Marker(L"TovlaneSetup.exe"));
      EXPECT_TRUE(host.messages.empty());
    } else {
      EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe.marker")));
      ASSERT_EQ(1u, host.messages.size());
      EXPECT_EQ(kCorrupted, host.messages[0].first);
      EXPECT_EQ(UINT(MB_ICONERROR), host.messages[0].second);
    }
  }
}

TEST_F(UpdateFlow, ACancelByButtonOrCloseBoxIsReportedAndLeavesNoFile) {
  for (const UINT how : {UINT(BM_CLICK), UINT(WM_CLOSE)}) {
    TFakeHost host;
    TFlowSettings settings({{L"OnlineCheckUrl", ServerUrl(L"/update/setup-slow")}});
    TUpdateFlow flow(host, settings.settings);
    // The download window runs its own loop inside the check's report.
    TWhileModal steps(
        [&] {
          HWND window = FindWindowW(kFormDownloadClassName, nullptr);
          if (!window || !IsWindowVisible(window)) return false;
          PostMessageW(how == BM_CLICK ? GetDlgItem(window, idBtnCancel) : window, how, 0, 0);
          return true;
        },
        10);
    RunCheck(flow);
    ASSERT_EQ(1u, host.messages.size());
    EXPECT_EQ(kCancelled, host.messages[0].first);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), host.messages[0].second);
    EXPECT_FALSE(host.closed);
    EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe"))) << "the partial download is deleted";
  }
}

TEST_F(UpdateFlow, ASecondCheckWhileOneRunsIsIgnored) {
  DeleteFileW(LogFileName().c_str());
  TFakeHost host;
  TFlowSettings settings({{L"OnlineCheckUrl", ServerUrl(L"/update/current")}});
  TUpdateFlow flow(host, settings.settings);
  flow.StartClientUpdate();
  flow.StartClientUpdate();
  PumpMessagesUntil([&] { return !flow.Checking(); });
  int begun = 0, ignored = 0;
  for (const std::string& line : LogLines()) {
    begun += line.find("TTransferThread begin") != std::string::npos;
    ignored += line.find("StartClientUpdate ignored: an update check is still running") != std::string::npos;
  }
  EXPECT_EQ(1, begun);
  EXPECT_EQ(1, ignored);
}

TEST_F(UpdateFlow, LeftoverSetupsAreDeleted) {
  for (const wchar_t* name : {L"TovlaneSetup.exe", L"FlashSetup.exe"}) WriteWholeFile(AppDataFile(name), "left");
  DeleteTempUpdateFiles();
  EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe")));
  EXPECT_FALSE(Exists(AppDataFile(L"FlashSetup.exe")));
}
