// The setup program that scripts/release makes, run under Wine: silent installs, upgrades, repair and a running
// client in one sequence of steps on one installation, the wizard driven through its buttons, and the update
// flow of an installed client downloading and starting the real setup of the following version.
#include <gtest/gtest.h>
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "base/untHandle.h"
#include "base/untText.h"
#include "shell/untFormMain.h"
#include "testkit/ClientDriver.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"
#include "update/untFormDownload.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tovlane";
const wchar_t* const kProgramFiles[] = {L"TovlaneClient.exe", L"TemplateAdpcm.wav", L"TestSound.wav", L"Uninstall.exe"};
const DWORD kSetupTimeoutMs = 120000;

struct TRelease {
  std::wstring version;
  std::wstring setup;
};

// "current" or "next" as the release fixture made them.
TRelease ReleaseOf(const wchar_t* which) {
  const std::wstring folder = WindowsPathFromEnv("TOVLANE_RELEASE_DIR") + L"\\" + which;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((folder + L"\\TovlaneSetup-*.exe").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  const std::wstring name = found.cFileName;
  return {name.substr(13, name.size() - 17), folder + L"\\" + name};
}

std::wstring FolderOf(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}
std::wstring InstallFolder() { return FolderOf(CSIDL_PROGRAM_FILES) + L"\\Tovlane"; }
std::wstring InstalledClient() { return InstallFolder() + L"\\TovlaneClient.exe"; }
std::wstring SettingsFile() { return InstalledClient() + L".ini"; }
std::vector<std::wstring> Shortcuts() {
  return {FolderOf(CSIDL_COMMON_PROGRAMS) + L"\\Tovlane.lnk",
          FolderOf(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Tovlane.lnk"};
}
bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 30000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
    if (done()) return true;
  return false;
}

bool UninstallEntryExists() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A registry value's bytes, with room for a closing null; empty when the key or the value of that type is missing.
std::vector<BYTE> RegistryValue(HKEY root, const wchar_t* path, const wchar_t* name, DWORD type) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::vector<BYTE> bytes(4096);
  DWORD found = 0, size = static_cast<DWORD>(bytes.size() - sizeof(wchar_t));
  const bool read = RegQueryValueExW(key, name, nullptr, &found, bytes.data(), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (!read || found != type) return {};
  return bytes;
}

std::wstring RegistryText(HKEY root, const wchar_t* path, const wchar_t* name) {
  const std::vector<BYTE> bytes = RegistryValue(root, path, name, REG_SZ);
  return bytes.empty() ? L"<missing>" : reinterpret_cast<const wchar_t*>(bytes.data());
}

DWORD RegistryNumber(HKEY root, const wchar_t* path, const wchar_t* name) {
  const std::vector<BYTE> bytes = RegistryValue(root, path, name, REG_DWORD);
  return bytes.empty() ? 0xFFFFFFFF : *reinterpret_cast<const DWORD*>(bytes.data());
}

std::wstring EntryText(const wchar_t* name) { return RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, name); }
DWORD EntryNumber(const wchar_t* name) { return RegistryNumber(HKEY_LOCAL_MACHINE, kUninstallKey, name); }

std::wstring FileVersionOf(const std::wstring& path) {
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (info.empty() || !GetFileVersionInfoW(path.c_str(), 0, info.size(), info.data()) ||
      !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
    return L"";
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

std::wstring LinkTarget(const std::wstring& shortcut) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  wchar_t target[MAX_PATH] = {};
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Receive())) ||
      FAILED(link.QueryInterface(file)) || FAILED(file->Load(shortcut.c_str(), STGM_READ)) ||
      FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)))
    return L"";
  return target;
}

// Files, both shortcuts and every value of the uninstall entry, for that version in the default folder.
void ExpectInstalled(const std::wstring& version) {
  const std::wstring folder = InstallFolder();
  for (const wchar_t* name : kProgramFiles) EXPECT_TRUE(Exists(folder + L"\\" + name)) << WideToAnsi(name);
  EXPECT_EQ(version, FileVersionOf(InstalledClient()));
  for (const std::wstring& shortcut : Shortcuts())
    EXPECT_EQ(0, lstrcmpiW(InstalledClient().c_str(), LinkTarget(shortcut).c_str())) << WideToAnsi(shortcut);
  const std::pair<const wchar_t*, std::wstring> texts[] = {
      {L"DisplayName", L"Tovlane"},
      {L"DisplayVersion", version},
      {L"Publisher", L"Tovlane"},
      {L"DisplayIcon", InstalledClient() + L",0"},
      {L"InstallLocation", folder},
      {L"UninstallString", L"\"" + folder + L"\\Uninstall.exe\""},
      {L"QuietUninstallString", L"\"" + folder + L"\\Uninstall.exe\" /S"}};
  for (const auto& [name, expected] : texts) EXPECT_EQ(expected, EntryText(name)) << WideToAnsi(name);
  EXPECT_EQ(1u, EntryNumber(L"NoModify"));
  EXPECT_EQ(1u, EntryNumber(L"NoRepair"));
  // In kilobytes: the executable alone is well above 100 KB, and the whole far below 100 MB.
  EXPECT_GT(EntryNumber(L"EstimatedSize"), 100u);
  EXPECT_LT(EntryNumber(L"EstimatedSize"), 100000u);
}

void ExpectNotInstalled() {
  for (const wchar_t* name : kProgramFiles) EXPECT_FALSE(Exists(InstallFolder() + L"\\" + name)) << WideToAnsi(name);
  for (const std::wstring& shortcut : Shortcuts()) EXPECT_FALSE(Exists(shortcut)) << WideToAnsi(shortcut);
  EXPECT_FALSE(UninstallEntryExists());
}

// What an earlier run may have left: the installation as a whole, without its uninstaller.
void RemoveInstallation() {
  for (const wchar_t* name : kProgramFiles) DeleteFileW((InstallFolder() + L"\\" + name).c_str());
  DeleteFileW(SettingsFile().c_str());
  RemoveDirectoryW(InstallFolder().c_str());
  for (const std::wstring& shortcut : Shortcuts()) DeleteFileW(shortcut.c_str());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
}

std::string SetupLog() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, temp);
  return ReadWholeFile(std::wstring(temp) + L"TovlaneSetup.log");
}

DWORD RunSilently(const TRelease& release) {
  const TProcessResult result = RunProcess(release.setup, L"/S", kSetupTimeoutMs);
  EXPECT_TRUE(result.finished);
  return result.exitCode;
}

// The user's own values, as the client stores them.
const std::pair<const wchar_t*, const wchar_t*> kUserValues[] = {{L"ClientId", L"abcdefghijklmnopqrstuvwxyz123456"},
                                                                 {L"LastStudentUserName", L"pupil"}};
void StoreUserValues() {
  ResetClientRegistry(true);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, KEY_SET_VALUE, &key));
  for (const auto& [name, value] : kUserValues)
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}
void ExpectUserValues() {
  for (const auto& [name, value] : kUserValues)
    EXPECT_EQ(value, RegistryText(HKEY_CURRENT_USER, L"Software\\Tovlane", name)) << WideToAnsi(name);
  EXPECT_EQ(0u, RegistryNumber(HKEY_CURRENT_USER, L"Software\\Tovlane", L"MicrophoneDeviceId2"));
}

// A visible top-level NSIS window whose caption begins with the product's name, of another process than the one
// given.
struct TSetupWindowSearch {
  DWORD exceptProcessId;
  HWND found;
};
BOOL CALLBACK TestSetupWindow(HWND window, LPARAM data) {
  auto& search = *reinterpret_cast<TSetupWindowSearch*>(data);
  wchar_t className[32] = {};
  DWORD processId = 0;
  GetClassNameW(window, className, 32);
  GetWindowThreadProcessId(window, &processId);
  if (processId != search.exceptProcessId && wcscmp(className, L"#32770") == 0 && IsWindowVisible(window) &&
      WindowText(window).rfind(L"Tovlane", 0) == 0)
    search.found = window;
  return search.found == nullptr;
}
HWND FindSetupWindow(DWORD exceptProcessId) {
  TSetupWindowSearch search = {exceptProcessId, nullptr};
  EnumWindows(TestSetupWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Presses the wizard's forward button on every page (welcome, folder, progress, finish) until the setup ends,
// each page saved as a screenshot; the number of pages shown.
int DriveWizard(HWND wizard, const std::wstring& screenshotName) {
  int pages = 0;
  HWND shownPage = nullptr;
  while (IsWindow(wizard) && pages < 8) {
    HWND forward = GetDlgItem(wizard, IDOK);
    HWND page = nullptr;
    // The pages follow one another as inner dialogs; the progress page enables the button when it is done.
    if (!WaitFor(
            [&] {
              page = FindWindowExW(wizard, nullptr, L"#32770", nullptr);
              return !IsWindow(wizard) ||
                     (page && page != shownPage && IsWindowEnabled(forward) && IsWindowVisible(forward));
            },
            kSetupTimeoutMs) ||
        !IsWindow(wizard))
      break;
    Sleep(300);  // the page paints itself after it is shown
    SaveWindowScreenshot(wizard, screenshotName + L"-" + std::to_wstring(++pages));
    shownPage = page;
    PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(forward));
  }
  return pages;
}

class Setup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(current.version.empty()) << "the release fixture made no releases";
    ASSERT_FALSE(next.version.empty());
    RemoveInstallation();
    StoreUserValues();
  }
  void TearDown() override { RemoveInstallation(); }
  const TRelease current = ReleaseOf(L"current");
  const TRelease next = ReleaseOf(L"next");
};

}  // namespace

TEST_F(Setup, SilentInstallsUpgradeRepairWaitForTheClientAndUninstallLeavesTheUserValues) {
  enum TBefore { bfNothing, bfEditSettings, bfDeleteDataFile, bfClientEnds, bfClientStays };
  const struct {
    const char* step;
    const TRelease& setup;
    TBefore before;
    DWORD exitCode;
    const TRelease& installed;
  } steps[] = {{"fresh install", current, bfNothing, 0, current},
               {"upgrade keeps the settings", next, bfEditSettings, 0, next},
               {"downgrade refused", current, bfNothing, 3, next},
               {"same version repairs", next, bfDeleteDataFile, 0, next},
               {"waits for a client that ends", next, bfClientEnds, 0, next},
               {"a client that stays", next, bfClientStays, 4, next}};
  const std::string settings = "[Debug]\r\nMainSiteUrl=http://127.0.0.1:9/edited\r\n";
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    std::unique_ptr<TClient> client;
    DWORD exitCode = 0;
    if (s.before == bfEditSettings) WriteWholeFile(SettingsFile(), settings);
    if (s.before == bfDeleteDataFile) {
      ASSERT_TRUE(DeleteFileW((InstallFolder() + L"\\TestSound.wav").c_str()));
    }
    if (s.before == bfClientEnds || s.before == bfClientStays) {
      client = std::make_unique<TClient>(L"", InstalledClient());
      HWND form = WaitForProcessWindow(client->Id(), kFormMainClassName, 30000);
      ASSERT_NE(nullptr, form);
      const size_t logged = SetupLog().size();
      TProcess setup(s.setup.setup, L"/S");
      if (s.before == bfClientEnds) {
        ASSERT_TRUE(
            WaitFor([&] { return SetupLog().find("waiting for Tovlane to end", logged) != std::string::npos; }));
        client->ExpectCleanExitAfterClose(form);
      }
      ASSERT_TRUE(setup.WaitForExit(kSetupTimeoutMs, exitCode));
    } else {
      exitCode = RunSilently(s.setup);
    }
    EXPECT_EQ(s.exitCode, exitCode);
    ExpectInstalled(s.installed.version);
    if (&s != &steps[0]) {
      EXPECT_EQ(settings, ReadWholeFile(SettingsFile()));
    }
    ExpectUserValues();
    if (s.before == bfClientStays) {
      DWORD clientExit = 0;
      EXPECT_FALSE(client->WaitForExit(0, clientExit)) << "the setup leaves a running client alone";
      client->ExpectCleanExitAfterClose(FindProcessWindow(client->Id(), kFormMainClassName));
      TProcess again(InstalledClient(), L"");
      HWND form = WaitForProcessWindow(again.Id(), kFormMainClassName, 30000);
      ASSERT_NE(nullptr, form) << "the old client still starts";
      PostMessageW(form, WM_CLOSE, 0, 0);
      EXPECT_TRUE(again.WaitForExit(20000, clientExit));
    }
  }

  // The installed client starts from its shortcut's target.
  {
    TProcess client(LinkTarget(Shortcuts()[1]), L"");
    HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
    ASSERT_NE(nullptr, form);
    SaveWindowScreenshot(form, L"setup-installed-client");
    PostMessageW(form, WM_CLOSE, 0, 0);
    DWORD exitCode = 1;
    EXPECT_TRUE(client.WaitForExit(20000, exitCode));
  }

  // The uninstaller copies itself away and returns at once; its copy removes everything but the settings file.
  const TProcessResult uninstall = RunProcess(InstallFolder() + L"\\Uninstall.exe", L"/S", kSetupTimeoutMs);
  EXPECT_TRUE(uninstall.finished);
  EXPECT_TRUE(WaitFor([] { return !UninstallEntryExists() && !Exists(InstalledClient()); }, kSetupTimeoutMs));
  ExpectNotInstalled();
  EXPECT_EQ(settings, ReadWholeFile(SettingsFile()));
  ExpectUserValues();
}

TEST_F(Setup, TheWizardInstallsLikeTheSilentSetup) {
  TProcess setup(current.setup, L"");
  HWND wizard = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (wizard = FindSetupWindow(0)) != nullptr; }));
  EXPECT_EQ(4, DriveWizard(wizard, L"setup-wizard"));
  DWORD exitCode = 1;
  ASSERT_TRUE(setup.WaitForExit(kSetupTimeoutMs, exitCode));
  EXPECT_EQ(0u, exitCode);
  ExpectInstalled(current.version);
}

TEST_F(Setup, TheUpdateFlowDownloadsVerifiesAndStartsTheRealSetup) {
  ASSERT_EQ(0u, RunSilently(current));
  const std::wstring description = ServerUrl(L"/release/next/client-update.shtml");

  // A setup whose digest is not the published one is not run.
  WritePrivateProfileStringW(L"Debug", L"OnlineCheckUrl", (description + L"?digest=other").c_str(),
                             SettingsFile().c_str());
  {
    TClient client(L"", InstalledClient());
    ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), L"#32770", 60000));
    EXPECT_EQ(
        std::vector<std::wstring>{
            L"下载到的更新程序可能已经损坏，不能完成更新和升级。建议您再次运行 Tovlane 程序进行升级。"},
        client.AnswerMessages(L"setup-update-digest-mismatch"));
    EXPECT_EQ(nullptr, FindSetupWindow(client.Id()));
    client.ExpectCleanExitAfterClose(FindProcessWindow(client.Id(), kFormMainClassName));
  }
  ExpectInstalled(current.version);

  WritePrivateProfileStringW(L"Debug", L"OnlineCheckUrl", description.c_str(), SettingsFile().c_str());
  {
    TClient client(L"", InstalledClient());
    HWND wizard = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (wizard = FindSetupWindow(client.Id())) != nullptr; }, 60000));
    DWORD exitCode = 1;
    EXPECT_TRUE(client.WaitForExit(30000, exitCode)) << "the started setup ends the client";
    DWORD setupId = 0;
    GetWindowThreadProcessId(wizard, &setupId);
    const TKernelHandle setup(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, setupId));
    EXPECT_EQ(4, DriveWizard(wizard, L"setup-update"));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(setup.Get(), kSetupTimeoutMs));
    GetExitCodeProcess(setup.Get(), &exitCode);
    EXPECT_EQ(0u, exitCode);
  }
  ExpectInstalled(next.version);

  // The new client checks the same description and finds itself current. The decision runs on the main thread
  // right after the response is logged, so once the window has answered a message it has been taken.
  TClient client(L"", InstalledClient());
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  const auto logged = [](const char* text) {
    for (const std::string& line : LogLines())
      if (line.find(text) != std::string::npos) return true;
    return false;
  };
  ASSERT_TRUE(WaitFor([&] { return logged("TransferReportStatus response:"); }));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_BLOCK, 30000, &answer);
  EXPECT_FALSE(logged("Need download:"));
  EXPECT_EQ(nullptr, FindProcessWindow(client.Id(), kFormDownloadClassName));
  client.ExpectCleanExitAfterClose(form);
}
