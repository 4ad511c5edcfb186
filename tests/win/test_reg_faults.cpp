// The per-user values when the registry refuses to store them: the client goes on, logs what it could not store,
// keeps what it can and shows nothing beyond its usual boxes.
#include <gtest/gtest.h>
#include <windows.h>
// ole2.h needs windows.h before it.
#include <ole2.h>

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "audio/WaveIn.h"
#include "audio/untFormVolumeSpeaker.h"
#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untReg.h"
#include "base/untVariant.h"
#include "shell/untBrowserHost.h"
#include "shell/untFormMain.h"
#include "shell/untRememberedLogin.h"
#include "testkit/WinTestSupport.h"

namespace {

const wchar_t kClientKey[] = L"Software\\Tovlane";
const wchar_t kTestPrompt[] = L"为了更好的完成语音跟读作业，下面将协助您进行麦克风录音测试。";

TRegCalls gReal;

LONG WINAPI NoKeyCreated(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD) {
  return ERROR_ACCESS_DENIED;
}
LONG WINAPI NoValueSet(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }
// The second value of the remembered pair only, after the first has been stored.
LONG WINAPI NoPasswordSet(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  return std::wcscmp(name, kLastStudentPassword) == 0 ? ERROR_ACCESS_DENIED
                                                      : gReal.setValue(key, name, reserved, type, data, size);
}
LONG WINAPI NoValueDeleted(HKEY, LPCWSTR) { return ERROR_ACCESS_DENIED; }

std::vector<std::wstring> gShown;
int RecordBox(HWND, const std::wstring& text, UINT) {
  gShown.push_back(text);
  return IDOK;
}

bool Logged(const std::string& message) {
  const std::vector<std::string> lines = LogLines();
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return line.size() > message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0;
  });
}

size_t LoggedRefusals() {
  const std::vector<std::string> lines = LogLines();
  return std::count_if(lines.begin(), lines.end(),
                       [](const std::string& line) { return line.find("Failed to set data") != std::string::npos; });
}

// The start-up of the main window on a first run: the test window it offers is given its last device and closed,
// and the window is usable afterwards.
void StartTheClient() {
  const int chosen = static_cast<int>(TWaveAudioIn::NumDevs()) - 1;
  TWhileModal closer([chosen] {
    HWND window = FindWindowW(kFormVolumeSpeakerClassName, nullptr);
    if (!window || !IsWindowVisible(window)) return false;
    HWND list = GetDlgItem(GetDlgItem(window, TFormVolumeSpeaker::idPnlMicrophoneTest),
                           TFormVolumeSpeaker::idCmbMicrophoneDevices);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return true;
  });
  {
    TFormMainTovlaneClient main;
    main.FormCreate();
    EXPECT_TRUE(IsWindowEnabled(main.Handle()) && IsWindowVisible(main.Handle()));
    EXPECT_EQ(nullptr, FindWindowW(kFormVolumeSpeakerClassName, nullptr));
    ASSERT_NE(nullptr, main.External());
    EXPECT_EQ(chosen, main.External()->MicrophoneDeviceId()) << "the choice reaches the bridge, stored or not";
  }
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// A login submission while the previous pupil's pair is stored.
void SubmitLogin(const std::wstring& body) {
  TReg reg(HKEY_CURRENT_USER, KEY_READ | KEY_WRITE);
  ASSERT_TRUE(reg.OpenKey(kClientKey, false));
  TVariant postData;
  V_VT(postData.Get()) = VT_BSTR;
  V_BSTR(postData.Get()) = SysAllocString(body.c_str());
  WebBrowserBeforeNavigate2(&reg, L"http://127.0.0.1/j_spring_security_check", *postData.Get());
}

}  // namespace

TEST(RegFaults, RefusedWritesAreLoggedOrSkippedAndTheStoredValuesStayWhole) {
  const std::wstring remembered = L"j_username=3001&j_password=secret&_spring_security_remember_me=on";
  const std::wstring forgotten = L"j_username=3001&j_password=secret";
  const struct {
    const char* what;
    void (*deny)(TRegCalls&);
    const wchar_t* login;             // null: the client's start-up
    std::vector<std::string> logged;  // messages the log has lines ending with
    bool clientIdStored;
    const wchar_t* userName;  // the pair afterwards; the previous pupil's is "3002"
    const wchar_t* password;
  } cases[] = {
      {"no key is created: every write skipped",
       [](TRegCalls& calls) { calls.createKey = NoKeyCreated; },
       nullptr,
       {"btnTestClick, MicrophoneDeviceId2: " + std::to_string(TWaveAudioIn::NumDevs() - 1)},
       false,
       nullptr,
       nullptr},
      {"no value is stored at start",
       [](TRegCalls& calls) { calls.setValue = NoValueSet; },
       nullptr,
       {"PrepareEnvironmentInfo Failed to set data for 'ClientId'",
        "btnTestClick Failed to set data for 'MicrophoneDeviceId2'"},
       false,
       nullptr,
       nullptr},
      {"the remembered pair is refused",
       [](TRegCalls& calls) { calls.setValue = NoValueSet; },
       remembered.c_str(),
       {"Remember password for 3001", "BeforeNavigate2 Failed to set data for 'LastStudentUserName'"},
       true,
       L"3002",
       L"previous"},
      {"the password is refused after the user name",
       [](TRegCalls& calls) { calls.setValue = NoPasswordSet; },
       remembered.c_str(),
       {"BeforeNavigate2 Failed to set data for 'LastStudentPassword'"},
       true,
       L"3002",
       L"previous"},
      {"the pair cannot be deleted",
       [](TRegCalls& calls) { calls.deleteValue = NoValueDeleted; },
       forgotten.c_str(),
       {"Clear password"},
       true,
       L"3002",
       L"previous"},
  };
  OleInitialize(nullptr);
  InstallMessageBox(RecordBox);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RegDeleteKeyW(HKEY_CURRENT_USER, kClientKey);
    if (c.login) {
      TReg reg(HKEY_CURRENT_USER);
      ASSERT_TRUE(reg.OpenKey(kClientKey, true));
      reg.WriteString(L"ClientId", L"stored");
      reg.WriteString(kLastStudentUserName, L"3002");
      reg.WriteString(kLastStudentPassword, L"previous");
    }
    InitGlobal();
    gShown.clear();
    gReal = RegCalls;
    c.deny(RegCalls);
    if (c.login)
      SubmitLogin(c.login);
    else
      StartTheClient();
    RegCalls = gReal;
    for (const std::string& message : c.logged) EXPECT_TRUE(Logged(message)) << message;
    const size_t refusals = std::count_if(c.logged.begin(), c.logged.end(), [](const std::string& message) {
      return message.find("Failed to set data") != std::string::npos;
    });
    EXPECT_EQ(refusals, LoggedRefusals()) << "a skipped write is not logged as refused";
    EXPECT_EQ(c.login ? std::vector<std::wstring>{} : std::vector<std::wstring>{kTestPrompt}, gShown);
    TReg stored(HKEY_CURRENT_USER, KEY_READ);
    stored.OpenKey(kClientKey, false);  // closed where no key was made: every value reads as missing
    EXPECT_EQ(c.clientIdStored, stored.StoredString(L"ClientId").has_value());
    EXPECT_EQ(std::nullopt, stored.StoredInteger(L"MicrophoneDeviceId2"));
    const auto text = [](const wchar_t* value) { return value ? std::optional<std::wstring>(value) : std::nullopt; };
    EXPECT_EQ(text(c.userName), stored.StoredString(kLastStudentUserName));
    EXPECT_EQ(text(c.password), stored.StoredString(kLastStudentPassword));
  }
  InstallMessageBox(nullptr);
  RegDeleteKeyW(HKEY_CURRENT_USER, kClientKey);
  OleUninitialize();
}
