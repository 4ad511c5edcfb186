// The main window driven from outside: its place and controls, resize zones, title double-click, the
// window buttons, and the start-up's registry values, messages and log line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/untGlobal.h"
#include "shell/untFormMain.h"
#include "testkit/ClientDriver.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"

namespace {

const wchar_t TestPromptText[] = L"为了更好的完成语音跟读作业，下面将协助您进行麦克风录音测试。";
const wchar_t NoMicrophoneText[] =
    L"您的计算机上没有可用的录音设备(麦克风)。如果您无法完成跟读录音的作业，可以选择跳过。";

std::wstring StoredClientId() {
  wchar_t value[256] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tovlane", L"ClientId", RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return std::wstring();
  return value;
}

void Click(HWND control) {
  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

RECT WorkArea() {
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

RECT WindowBounds(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  return bounds;
}

void ExpectBounds(const RECT& expected, HWND window) {
  RECT actual = WindowBounds(window);
  EXPECT_EQ(expected.left, actual.left);
  EXPECT_EQ(expected.top, actual.top);
  EXPECT_EQ(expected.right, actual.right);
  EXPECT_EQ(expected.bottom, actual.bottom);
}

// While it lives, programs started find no sound system at all, as with the sound daemon stopped: Wine's audio
// device layer is given a driver list that names no existing driver (ALSA would otherwise stand in for the daemon).
class TWithoutAudioDrivers {
 public:
  TWithoutAudioDrivers() {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Drivers", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    fKey.Receive(), nullptr);
    const wchar_t none[] = L"none";
    RegSetValueExW(fKey.Get(), L"Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(none), sizeof(none));
  }
  TWithoutAudioDrivers(const TWithoutAudioDrivers&) = delete;
  TWithoutAudioDrivers& operator=(const TWithoutAudioDrivers&) = delete;
  ~TWithoutAudioDrivers() { RegDeleteValueW(fKey.Get(), L"Audio"); }

 private:
  TRegKeyHandle fKey;
};

}  // namespace

TEST(MainWindow, FillsTheWorkAreaWithEveryTitleControlAndClosesWithExitCodeZero) {
  ResetClientRegistry(true);
  TClient client;
  ASSERT_TRUE(client.Started());
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  EXPECT_TRUE(client.AnswerMessages(L"main-window-start-message").empty()) << "a stored microphone asks nothing";

  EXPECT_EQ(0, GetWindowLongW(form, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_EQ(L"Tovlane", WindowText(form));
  ExpectBounds(WorkArea(), form);
  HWND title = GetDlgItem(form, idPnlTitle);
  RECT panel;
  GetClientRect(title, &panel);
  EXPECT_EQ(WorkArea().right - WorkArea().left, panel.right);
  EXPECT_EQ(36, panel.bottom);
  struct {
    UINT_PTR id;
    const wchar_t* text;
  } texts[] = {{idBtnGoHome, L"首页"},
               {idBtnRefresh, L"刷新"},
               {idBtnTest, L"声音和麦克风录音测试"},
               {idBtnTool, L"工具"},
               {idLblVersion, L"版本: 1.2.1.14"}};
  for (const auto& control : texts) {
    HWND window = GetDlgItem(title, static_cast<int>(control.id));
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(control.text, WindowText(window));
    EXPECT_TRUE(IsWindowVisible(window));
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(title, idLblRecordFailedTip)));
  for (UINT_PTR id : {idImg1, idBtnMin, idBtnMax, idBtnClose})
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(title, static_cast<int>(id)))) << id;
  RECT close = WindowBounds(GetDlgItem(title, idBtnClose));
  EXPECT_EQ(WorkArea().right - 9, close.right) << "the close button keeps its distance from the right edge";
  EXPECT_TRUE(SaveWindowScreenshot(form, L"main-window"));

  Click(GetDlgItem(title, idBtnClose));
  DWORD exitCode = 1;
  ASSERT_TRUE(client.WaitForExit(20000, exitCode));
  EXPECT_EQ(0u, exitCode);
}

TEST(MainWindow, EdgesResizeAndTheTitleRestoresAndFillsAgain) {
  ResetClientRegistry(true);
  TClient client;
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  client.AnswerMessages(L"main-window-resize-message");

  const RECT r = WindowBounds(form);
  const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
  struct {
    int x, y;
    LRESULT expected;
  } probes[] = {{r.left + 2, r.top + 2, HTTOPLEFT},
                {r.right - 3, r.top + 2, HTTOPRIGHT},
                {r.left + 2, r.bottom - 3, HTBOTTOMLEFT},
                {r.right - 3, r.bottom - 3, HTBOTTOMRIGHT},
                {r.left + 9, midY, HTLEFT},
                {r.right - 9, midY, HTRIGHT},
                {midX, r.top + 9, HTTOP},
                {midX, r.bottom - 9, HTBOTTOM},
                {r.left + 10, midY, HTCLIENT},
                {r.right - 10, midY, HTCLIENT},
                {midX, r.bottom - 10, HTCLIENT}};
  for (const auto& probe : probes)
    EXPECT_EQ(probe.expected, SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(probe.x, probe.y)))
        << probe.x - r.left << "," << probe.y - r.top;

  HWND title = GetDlgItem(form, idPnlTitle);
  const RECT work = WorkArea();
  const int w8 = (work.right - work.left) / 8, h8 = (work.bottom - work.top) / 8;
  SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 20));
  ExpectBounds(RECT{w8, h8, w8 * 7, h8 * 7}, form);
  EXPECT_EQ(w8 * 7 - 9, WindowBounds(GetDlgItem(title, idBtnClose)).right);
  EXPECT_TRUE(SaveWindowScreenshot(form, L"main-window-restored"));
  SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 20));
  ExpectBounds(work, form);

  Click(GetDlgItem(title, idBtnMax));
  ExpectBounds(RECT{w8, h8, w8 * 7, h8 * 7}, form);
  Click(GetDlgItem(title, idBtnMax));
  ExpectBounds(work, form);

  Click(GetDlgItem(title, idBtnMin));
  for (DWORD start = GetTickCount(); !IsIconic(form) && GetTickCount() - start < 5000;) Sleep(20);
  EXPECT_TRUE(IsIconic(form));
  PostMessageW(form, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  ASSERT_TRUE(client.WaitForExit(20000, exitCode));
  EXPECT_EQ(0u, exitCode);
}

TEST(MainWindow, FirstStartMakesTheClientIdOnceAndOffersTheMicrophoneTest) {
  ResetClientRegistry(false);
  std::wstring clientId;
  {
    TClient client;
    ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
    const auto messages = client.AnswerMessages(L"main-window-first-start");
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(TestPromptText, messages[0]);
    clientId = StoredClientId();
    ASSERT_EQ(32u, clientId.size());
    for (wchar_t c : clientId) EXPECT_TRUE((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')) << c;
    bool flashLine = false;
    for (const auto& line : LogLines()) {
      const std::string message = " Current flash version: 0.0";
      if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0)
        flashLine = true;
    }
    EXPECT_TRUE(flashLine) << "no Flash player here";
  }
  TClient again;
  ASSERT_NE(nullptr, WaitForProcessWindow(again.Id(), kFormMainClassName, 30000));
  again.AnswerMessages(L"main-window-second-start");
  EXPECT_EQ(clientId, StoredClientId());
}

TEST(MainWindow, WithoutRecordingDevicesOnlyTheWarningIsShown) {
  ResetClientRegistry(true);
  // Any stored identifier stays, whatever its length.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, KEY_SET_VALUE, &key));
  const wchar_t shortId[] = L"abc";
  RegSetValueExW(key, L"ClientId", 0, REG_SZ, reinterpret_cast<const BYTE*>(shortId), sizeof(shortId));
  RegCloseKey(key);
  TWithoutAudioDrivers noDrivers;
  TClient client;
  ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
  const auto messages = client.AnswerMessages(L"main-window-no-microphone");
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(NoMicrophoneText, messages[0]);
  EXPECT_EQ(L"abc", StoredClientId());
}
