// The tools window ("--tools") driven from outside: its buttons are pressed, its message boxes read and
// answered. The restart question is always answered "No".
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <string>
#include <utility>

#include "base/untText.h"
#include "testkit/MTUInterfaces.h"
#include "testkit/Screenshot.h"
#include "testkit/UrlCacheEntries.h"
#include "testkit/WinTestSupport.h"

namespace {

const wchar_t ToolsTitle[] = L"Tovlane 工具";

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// The tools process, ended when the test is done with it however the test went.
class TToolsProcess : public TProcess {
 public:
  TToolsProcess() : TProcess(ClientExe(), L"--tools") {
    if (!Started()) return;
    // The window is shown once its controls are in place.
    for (int i = 0; i < 300 && !fForm; ++i) {
      Sleep(100);
      HWND form = FindTopLevel(L"TFormTools", ToolsTitle);
      if (form && IsWindowVisible(form)) fForm = form;
    }
  }
  HWND Form() const { return fForm; }

  HWND Button(const wchar_t* text) const { return FindWindowExW(fForm, nullptr, L"Button", text); }

  // Presses the button as a click would, without waiting for what it shows.
  void Press(const wchar_t* text) const {
    HWND button = Button(text);
    ASSERT_NE(nullptr, button) << WideToAnsi(text);
    PostMessageW(fForm, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }

  // Waits for the next message box of the process and returns its text; nullptr-handle when none came.
  HWND WaitForMessageBox() const {
    for (int i = 0; i < 300; ++i) {
      HWND box = FindTopLevel(L"#32770", L"Tovlane");
      if (box && IsWindowVisible(box)) return box;
      Sleep(100);
    }
    return nullptr;
  }

  // The text of the next message box, which is then closed with the given button.
  std::wstring Answer(int command, const wchar_t* screenshot = nullptr) const {
    HWND box = WaitForMessageBox();
    if (!box) return L"<no message box>";
    if (screenshot) SaveWindowScreenshot(box, screenshot);
    std::wstring text;
    for (HWND child = nullptr; (child = FindWindowExW(box, child, L"Static", nullptr));)
      if (GetDlgCtrlID(child) == 0xFFFF) text = TextOf(child);
    const bool hasNo = GetDlgItem(box, IDNO) != nullptr;
    PostMessageW(box, WM_COMMAND, command, 0);
    for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
    return text + (hasNo ? L" [yes/no]" : L"");
  }

  // Closes the window; the exit code of the process, or -1 when it did not end.
  long Close() const {
    PostMessageW(fForm, WM_CLOSE, 0, 0);
    DWORD code = 0;
    return WaitForExit(20000, code) ? static_cast<long>(code) : -1;
  }

 private:
  HWND FindTopLevel(const wchar_t* className, const wchar_t* title) const {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, title));) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == Id()) return window;
    }
    return nullptr;
  }

  HWND fForm = nullptr;
};

}  // namespace

TEST(ToolsWindow, LooksAsLaidOutAndClosesWithExitCodeZero) {
  TToolsProcess tools;
  ASSERT_NE(nullptr, tools.Form());
  RECT client;
  GetClientRect(tools.Form(), &client);
  EXPECT_EQ(544, client.right);
  EXPECT_EQ(276, client.bottom);
  const LONG_PTR exStyle = GetWindowLongPtrW(tools.Form(), GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_FALSE(exStyle & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE)) << "a single border";
  const LONG_PTR style = GetWindowLongPtrW(tools.Form(), GWL_STYLE);
  EXPECT_TRUE(style & WS_BORDER);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  for (const wchar_t* text :
       {L"清理IE缓存", L"修正MTU并重启", L"恢复系统默认值", L"Internet Explorer 缓存", L"网络最大传输单元(MTU)"})
    EXPECT_NE(nullptr, tools.Button(text)) << WideToAnsi(text);
  // The two groups share their left and right edges, and so do the three buttons, each inside its group.
  auto place = [&](const wchar_t* text) {
    RECT bounds{};
    GetWindowRect(tools.Button(text), &bounds);
    return bounds;
  };
  const RECT cacheGroup = place(L"Internet Explorer 缓存"), mtuGroup = place(L"网络最大传输单元(MTU)");
  EXPECT_TRUE(cacheGroup.left == mtuGroup.left && cacheGroup.right == mtuGroup.right);
  EXPECT_LT(cacheGroup.bottom, mtuGroup.top);
  const RECT clear = place(L"清理IE缓存");
  const std::pair<RECT, RECT> buttons[] = {
      {clear, cacheGroup}, {place(L"修正MTU并重启"), mtuGroup}, {place(L"恢复系统默认值"), mtuGroup}};
  for (const auto& [button, group] : buttons) {
    EXPECT_TRUE(button.left == clear.left && button.right == clear.right);
    RECT inside;
    EXPECT_TRUE(IntersectRect(&inside, &button, &group) && EqualRect(&inside, &button));
  }
  Sleep(500);
  EXPECT_TRUE(SaveWindowScreenshot(tools.Form(), L"tools-window"));
  EXPECT_EQ(0, tools.Close());
}

TEST(ToolsWindow, FixAndResetButtonsChangeTheMTUAndSaySo) {
  TTestInterfaces interfaces;
  interfaces.Add(L"{tools-lan}", std::vector<std::wstring>{L"0.0.0.0"}, L"192.168.8.8", 1500);
  interfaces.Add(L"{tools-other}", std::vector<std::wstring>{L"10.0.0.5"}, L"");
  TToolsProcess tools;
  ASSERT_NE(nullptr, tools.Form());

  tools.Press(L"修正MTU并重启");
  EXPECT_EQ(L"系统MTU已经调整完毕，请重新启动计算机。现在重启吗？ [yes/no]",
            tools.Answer(IDNO, L"tools-restart-question"));
  EXPECT_EQ(L"您后续需要手动重启计算机，使新配置生效。", tools.Answer(IDOK));
  EXPECT_EQ(1417u, interfaces.MTU(L"{tools-lan}"));
  EXPECT_EQ(std::nullopt, interfaces.MTU(L"{tools-other}"));

  tools.Press(L"修正MTU并重启");
  EXPECT_EQ(L"您的系统MTU之前已经调整过了。", tools.Answer(IDOK));

  tools.Press(L"恢复系统默认值");
  EXPECT_EQ(L"系统MTU已经恢复到默认值，请重新启动计算机。", tools.Answer(IDOK));
  EXPECT_EQ(std::nullopt, interfaces.MTU(L"{tools-lan}"));
  tools.Press(L"恢复系统默认值");
  EXPECT_EQ(L"您的系统MTU已经是默认值了。", tools.Answer(IDOK));
  EXPECT_EQ(0, tools.Close());
}

TEST(ToolsWindow, ARegistryErrorIsShownAndTheWindowStaysUsable) {
  TTestInterfaces interfaces;
  interfaces.Add(L"{tools-broken}", std::nullopt, L"192.168.6.6");
  interfaces.SetRaw(L"{tools-broken}", L"MTU", REG_SZ, {'9', 0, 0, 0});
  TToolsProcess tools;
  ASSERT_NE(nullptr, tools.Form());
  tools.Press(L"修正MTU并重启");
  EXPECT_EQ(L"Invalid data type for 'MTU'", tools.Answer(IDOK, L"tools-registry-error"));
  EXPECT_TRUE(IsWindow(tools.Form()));
  tools.Press(L"恢复系统默认值");
  EXPECT_EQ(L"系统MTU已经恢复到默认值，请重新启动计算机。", tools.Answer(IDOK)) << "a value of any type is removed";
  EXPECT_EQ(0, tools.Close());
}

TEST(ToolsWindow, ClearingTheCacheKeepsCookiesAndReportsAlsoWhenEmpty) {
  const std::wstring normal = L"http://127.0.0.1/tovlane-tools/page.html";
  const std::wstring sticky = L"http://127.0.0.1/tovlane-tools/sticky.js";
  const std::wstring history = L"Visited: pupil@http://127.0.0.1/tovlane-tools/visited.html";
  const std::wstring cookie = L"Cookie:pupil@127.0.0.1/tovlane-tools/";
  ASSERT_TRUE(MakeCacheEntry(normal, NORMAL_CACHE_ENTRY));
  ASSERT_TRUE(MakeCacheEntry(sticky, NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY));
  ASSERT_TRUE(MakeCacheEntry(history, URLHISTORY_CACHE_ENTRY));
  ASSERT_TRUE(MakeCacheEntry(cookie, COOKIE_CACHE_ENTRY));

  TToolsProcess tools;
  ASSERT_NE(nullptr, tools.Form());
  tools.Press(L"清理IE缓存");
  EXPECT_EQ(L"清理IE缓存完成", tools.Answer(IDOK, L"tools-cache-cleared"));
  EXPECT_FALSE(CacheEntryExists(normal));
  EXPECT_FALSE(CacheEntryExists(sticky));
  EXPECT_FALSE(CacheEntryExists(history));
  EXPECT_TRUE(CacheEntryExists(cookie));

  tools.Press(L"清理IE缓存");
  EXPECT_EQ(L"清理IE缓存完成", tools.Answer(IDOK)) << "nothing left to clear";
  EXPECT_TRUE(CacheEntryExists(cookie));
  EXPECT_EQ(0, tools.Close());
  DeleteUrlCacheEntryW(cookie.c_str());
}
