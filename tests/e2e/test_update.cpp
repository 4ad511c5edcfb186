// The update at the client's start, driven from outside against the platform test server: the download window,
// the started setup and the client's end, and what the user is told when the setup cannot be had or is cancelled.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include "base/untGlobal.h"
#include "base/untText.h"
#include "shell/untFormMain.h"
#include "testkit/ClientDriver.h"
#include "testkit/Screenshot.h"
#include "testkit/SignedPrograms.h"
#include "testkit/WinTestSupport.h"
#include "update/untFormDownload.h"

namespace {

std::wstring AppDataFile(const std::wstring& name) { return GetSpecialFolderPath(CSIDL_APPDATA) + L"\\" + name; }
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveUpdateFiles() {
  for (const wchar_t* name : {L"TovlaneSetup.exe", L"FlashSetup.exe"}) {
    const std::wstring path = AppDataFile(name);
    for (int i = 0; i < 100 && Exists(path) && !DeleteFileW(path.c_str()); ++i) Sleep(50);
    DeleteFileW((path + L".marker").c_str());
  }
}

std::string Marker(const std::wstring& setupName) {
  const std::wstring marker = AppDataFile(setupName) + L".marker";
  for (DWORD start = GetTickCount(); !Exists(marker) && GetTickCount() - start < 20000;) Sleep(20);
  Sleep(100);
  return ReadWholeFile(marker);
}

std::map<std::wstring, std::wstring> CheckOf(const std::wstring& description, const std::wstring& downloadPath = L"") {
  std::map<std::wstring, std::wstring> settings = {{L"OnlineCheckUrl", ServerUrl(L"/update/" + description)}};
  if (!downloadPath.empty()) settings[L"ForceDownloadUrl"] = ServerUrl(downloadPath);
  return settings;
}

LRESULT ProgressOf(HWND download) { return SendMessageW(GetDlgItem(download, idPbBar), PBM_GETPOS, 0, 0); }

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 30000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20))
    if (done()) return true;
  return false;
}

class Update : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetClientRegistry(true);
    RemoveUpdateFiles();
  }
  void TearDown() override { RemoveUpdateFiles(); }
};

}  // namespace

TEST_F(Update, ANewerClientIsDownloadedVerifiedAndStartedAndTheClientEnds) {
  const struct {
    const wchar_t* description;
    const wchar_t* setup;
    const wchar_t* tip;
  } cases[] = {{L"client", L"TovlaneSetup.exe", L"您需要升级 Tovlane 系统。"},
               {L"flash", L"FlashSetup.exe", L"您需要升级 Flash 播放器。"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.description));
    // Slowed down, so that the window is seen during the download; the digest comes from the description.
    TClientSettings settings(CheckOf(c.description, L"/setup/test-setup?rate=300000"));
    TClient client;
    HWND download = WaitForProcessWindow(client.Id(), kFormDownloadClassName, 60000);
    ASSERT_NE(nullptr, download);
    EXPECT_EQ(c.tip, WindowText(GetDlgItem(download, idLblTip)));
    EXPECT_TRUE(WaitFor([&] { return ProgressOf(download) > 0 || !IsWindow(download); }));
    SaveWindowScreenshot(download, std::wstring(L"update-download-") + c.description);
    DWORD exitCode = 1;
    ASSERT_TRUE(client.WaitForExit(60000, exitCode)) << "the started setup ends the client";
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ("\"" + WideToAnsi(AppDataFile(c.setup)) + "\"", Marker(c.setup)) << "started without arguments";
  }
}

TEST_F(Update, ASetupThatCannotBeHadOrIsCancelledIsReportedAndNothingRuns) {
  const wchar_t kCorrupted[] =
      L"下载到的更新程序可能已经损坏，不能完成更新和升级。建议您再次运行 Tovlane 程序进行升级。";
  const wchar_t kFailed[] =
      L"安装程序下载失败，可能您的网络无法正常下载更新程序。为了保证您的正常使用，建议您下次完成更新。";
  const wchar_t kCancelled[] = L"您取消了更新。为了保证您的正常使用，建议您下次完成更新。";
  enum TAction { acNone, acButton, acCloseBox };
  const struct {
    const wchar_t* description;
    TAction action;
    const wchar_t* message;
    const wchar_t* screenshot;
  } cases[] = {{L"digest-mismatch", acNone, kCorrupted, L"update-digest-mismatch"},
               {L"setup-404", acNone, kFailed, L"update-setup-404"},
               {L"setup-slow", acButton, kCancelled, L"update-cancel-button"},
               {L"setup-slow", acCloseBox, kCancelled, L"update-cancel-close-box"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.screenshot));
    TClientSettings settings(CheckOf(c.description));
    TClient client;
    ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
    if (c.action != acNone) {
      HWND download = WaitForProcessWindow(client.Id(), kFormDownloadClassName, 30000);
      ASSERT_NE(nullptr, download);
      HWND button = GetDlgItem(download, idBtnCancel);
      if (c.action == acButton)
        PostMessageW(button, BM_CLICK, 0, 0);
      else
        PostMessageW(download, WM_CLOSE, 0, 0);
      // The stop is prompt; the window may already be gone when it is looked at.
      EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(download) || WindowText(button) == L"正在停止 ..."; }));
    }
    ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), L"#32770", 30000));
    const auto messages = client.AnswerMessages(c.screenshot);
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(c.message, messages[0]);
    EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe"))) << "no file stays behind";
    EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe.marker"))) << "nothing ran";
    DWORD exitCode = 1;
    EXPECT_FALSE(client.WaitForExit(0, exitCode)) << "the client runs on";
  }
}

TEST_F(Update, ASignedClientStartsOnlyASetupSignedByItsOwnCertificate) {
  const TTrustedTestRoot root;
  ASSERT_TRUE(root.Added());
  const std::wstring signedClient = SignedProgram(L"client.exe");
  const struct {
    const wchar_t* setup;
    bool runs;
  } cases[] = {{L"same.exe", true}, {L"other.exe", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToAnsi(c.setup));
    RemoveUpdateFiles();
    TClientSettings settings(CheckOf(std::wstring(L"client?setup=signed/") + c.setup), signedClient);
    TClient client(L"", signedClient);
    DWORD exitCode = 1;
    if (c.runs) {
      ASSERT_TRUE(client.WaitForExit(60000, exitCode)) << "the started setup ends the client";
      EXPECT_FALSE(Marker(L"TovlaneSetup.exe").empty());
      continue;
    }
    ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), L"#32770", 60000));
    const auto messages = client.AnswerMessages(L"update-signed-by-another");
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(L"下载到的更新程序可能已经损坏，不能完成更新和升级。建议您再次运行 Tovlane 程序进行升级。", messages[0]);
    EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe.marker"))) << "nothing ran";
    EXPECT_FALSE(client.WaitForExit(0, exitCode)) << "the client runs on";
  }
}

TEST_F(Update, ABodyOfUnknownLengthHidesTheProgressBar) {
  TClientSettings settings(CheckOf(L"setup-unknown-length", L"/setup/test-setup?length=0&rate=300000"));
  TClient client;
  HWND download = WaitForProcessWindow(client.Id(), kFormDownloadClassName, 60000);
  ASSERT_NE(nullptr, download);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(GetDlgItem(download, idPbBar)); }));
  EXPECT_TRUE(IsWindowVisible(download));
  SaveWindowScreenshot(download, L"update-download-unknown-length");
  DWORD exitCode = 1;
  ASSERT_TRUE(client.WaitForExit(60000, exitCode));
  EXPECT_FALSE(Marker(L"TovlaneSetup.exe").empty());
}

TEST_F(Update, SetupsLeftByAnEarlierRunAreRemovedAtTheStart) {
  for (const wchar_t* name : {L"TovlaneSetup.exe", L"FlashSetup.exe"}) WriteWholeFile(AppDataFile(name), "left over");
  TClientSettings settings(CheckOf(L"current"));
  TClient client;
  ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
  EXPECT_FALSE(Exists(AppDataFile(L"TovlaneSetup.exe")));
  EXPECT_FALSE(Exists(AppDataFile(L"FlashSetup.exe")));
  EXPECT_TRUE(client.AnswerMessages(L"update-current").empty()) << "a current client shows nothing";
}
