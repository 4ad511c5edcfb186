// The client under the Windows versions that Wine reports: on XP the tools start without elevation and the sound
// test window keeps to the legacy mixer; from Vista on the tools are started with "runas" and the speaker volume
// goes through the endpoint volume. Wine has Core Audio under every version, so the route shows which way the
// client chose.
#include <gtest/gtest.h>

#include <string>

#include "audio/untFormVolumeSpeaker.h"
#include "base/untText.h"
#include "shell/untFormMain.h"
#include "testkit/ClientDriver.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"

namespace {

// Posted as the title button's own notification, since the click may open a modal window.
void PressTitleButton(HWND form, int id) {
  HWND button = GetDlgItem(GetDlgItem(form, idPnlTitle), id);
  PostMessageW(form, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// While it lives, Wine reports the given Windows version to the client's executable, and to no other program.
class TReportedWindowsVersion {
 public:
  explicit TReportedWindowsVersion(const std::wstring& version) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\TovlaneClient.exe", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, fKey.Receive(), nullptr);
    RegSetValueExW(fKey.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  }
  TReportedWindowsVersion(const TReportedWindowsVersion&) = delete;
  TReportedWindowsVersion& operator=(const TReportedWindowsVersion&) = delete;
  ~TReportedWindowsVersion() { RegDeleteValueW(fKey.Get(), L"Version"); }

 private:
  TRegKeyHandle fKey;
};

// The log as a reader who opened it before: the tools process deletes the log when it starts, and what was
// written before stays readable through this handle.
class TLogReader {
 public:
  TLogReader() {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH, temp);
    fFile.Reset(CreateFileW((std::wstring(temp) + L"TovlaneClient.log").c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                            nullptr));
  }
  bool Contains(const std::string& message) const {
    std::string text;
    char block[4096];
    DWORD read = 0;
    SetFilePointer(fFile.Get(), 0, nullptr, FILE_BEGIN);
    while (ReadFile(fFile.Get(), block, sizeof block, &read, nullptr) && read) text.append(block, read);
    return text.find(message) != std::string::npos;
  }

 private:
  TFileHandle fFile;
};

bool LogContains(const std::string& message) {
  for (const auto& line : LogLines())
    if (line.find(message) != std::string::npos) return true;
  return false;
}

// Closes a window of another process and waits for that process to end.
void CloseAndWaitForEnd(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  TKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 20000));
}

HWND WaitForToolsWindow() {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(50)) {
    HWND form = FindWindowW(L"TFormTools", nullptr);
    if (form && IsWindowVisible(form)) return form;
  }
  return nullptr;
}

}  // namespace

TEST(WindowsVersions, XPSevenAndTenShowTheMainWindowAndTakeTheirBranches) {
  const struct {
    const wchar_t* version;
    const char* tools;
    const char* route;
  } cases[] = {
      {L"winxp", "btnToolClick, WinXP or lower", "TFormVolumeSpeaker speaker volume: legacy mixer"},
      {L"win7", "btnToolClick, Vista or higher", "TFormVolumeSpeaker speaker volume: endpoint volume"},
      {L"win10", "btnToolClick, Vista or higher", "TFormVolumeSpeaker speaker volume: endpoint volume"},
  };
  for (const auto& c : cases) {
    const std::string version = WideToAnsi(c.version);
    SCOPED_TRACE(version);
    TReportedWindowsVersion reported(c.version);
    ResetClientRegistry(true);
    TClient client;
    HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
    ASSERT_NE(nullptr, form);
    EXPECT_TRUE(client.AnswerMessages(L"windows-" + std::wstring(c.version) + L"-message").empty());
    EXPECT_TRUE(SaveWindowScreenshot(form, L"windows-" + std::wstring(c.version) + L"-main-window"));

    PressTitleButton(form, idBtnTest);
    HWND soundTest = WaitForProcessWindow(client.Id(), kFormVolumeSpeakerClassName, 30000);
    ASSERT_NE(nullptr, soundTest);
    EXPECT_TRUE(LogContains(c.route));
    SaveWindowScreenshot(soundTest, L"windows-" + std::wstring(c.version) + L"-sound-test");
    PostMessageW(soundTest, WM_CLOSE, 0, 0);
    for (DWORD start = GetTickCount(); IsWindow(soundTest) && GetTickCount() - start < 10000;) Sleep(50);

    const TLogReader log;
    PressTitleButton(form, idBtnTool);
    HWND tools = WaitForToolsWindow();
    ASSERT_NE(nullptr, tools);
    EXPECT_TRUE(log.Contains(c.tools));
    SaveWindowScreenshot(tools, L"windows-" + std::wstring(c.version) + L"-tools");
    CloseAndWaitForEnd(tools);
    client.ExpectCleanExitAfterClose(form);
  }
}
