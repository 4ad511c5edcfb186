#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/untMessages.h"
#include "support/widgets/TGdi.h"
#include "support/widgets/TSystemControls.h"
#include "support/widgets/TWindow.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"

namespace {

// Every message the window object gets, kept beyond the object's life.
class TRecordingWindow : public TWindow {
 public:
  explicit TRecordingWindow(std::vector<UINT>& record) : seen(record) {
    RECT bounds = {100, 100, 420, 300};
    CreateHandle(L"TovlaneTestWindow", L"test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, bounds, nullptr);
  }
  ~TRecordingWindow() override { DestroyHandle(); }
  std::vector<UINT>& seen;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == WM_USER + 9) throw std::runtime_error("handler failed");
    if (message == WM_ERASEBKGND) {
      RECT client;
      GetClientRect(Handle(), &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 1;
    }
    return TWindow::HandleMessage(message, wParam, lParam);
  }
};

std::vector<std::wstring> gShownMessages;
int RecordMessage(HWND, const std::wstring& text, UINT) {
  gShownMessages.push_back(text);
  return IDOK;
}

bool Saw(const std::vector<UINT>& seen, UINT message) {
  for (UINT m : seen)
    if (m == message) return true;
  return false;
}

}  // namespace

TEST(Window, ObjectReceivesItsMessagesFromCreationOn) {
  std::vector<UINT> seen;
  TRecordingWindow window(seen);
  ASSERT_NE(nullptr, window.Handle());
  EXPECT_EQ(&window, TWindow::FromHandle(window.Handle()));
  EXPECT_TRUE(Saw(seen, WM_NCCREATE));
  EXPECT_TRUE(Saw(seen, WM_CREATE));
  SendMessageW(window.Handle(), WM_USER + 7, 0, 0);
  EXPECT_EQ(static_cast<UINT>(WM_USER + 7), seen.back());
  EXPECT_TRUE(SaveWindowScreenshot(window.Handle(), L"window-base"));
}

// A test started by hand, without the test environment's variables, saves into the build folder too.
TEST(Window, ScreenshotsWithoutTheEnvironmentGoToTheBuildFolder) {
  const char* variable = std::getenv("TOVLANE_BINARY_DIR");
  ASSERT_NE(nullptr, variable);
  const std::string saved = variable;
  const std::wstring file = WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\screenshots\\window-by-hand.png";
  DeleteFileW(file.c_str());
  std::vector<UINT> seen;
  TRecordingWindow window(seen);
  _putenv("TOVLANE_BINARY_DIR=");
  const bool written = SaveWindowScreenshot(window.Handle(), L"window-by-hand");
  _putenv(("TOVLANE_BINARY_DIR=" + saved).c_str());
  EXPECT_TRUE(written);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));
}

TEST(Window, DestroyingEitherSideReleasesTheOther) {
  HWND handle;
  std::vector<UINT> seen;
  {
    TRecordingWindow window(seen);
    handle = window.Handle();
  }
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_TRUE(Saw(seen, WM_DESTROY)) << "the derived window sees its own destruction";
  EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), seen.back());

  TRecordingWindow window(seen);
  DestroyWindow(window.Handle());
  EXPECT_EQ(nullptr, window.Handle());
}

TEST(Window, CommandsOfChildControlsRunTheirHandlers) {
  std::vector<UINT> seen;
  TRecordingWindow window(seen);
  int clicks = 0;
  TButton button(window.Handle(), 42, Place(0, 0, 80, 24), L"press", nullptr);
  button.OnClick = [&] { ++clicks; };
  HWND other = CreateWindowExW(0, L"BUTTON", L"other", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 30, 80, 24,
                               window.Handle(), reinterpret_cast<HMENU>(43), GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, other);
  SendMessageW(button.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(1, clicks);
  SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(42, BN_SETFOCUS), reinterpret_cast<LPARAM>(button.Handle()));
  SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(43, BN_CLICKED), reinterpret_cast<LPARAM>(other));
  EXPECT_EQ(1, clicks) << "other notifications and other controls run nothing";
}

TEST(Window, AnExceptionInAHandlerGoesToTheInstalledBoxOnTheMainThreadOnly) {
  gShownMessages.clear();
  std::vector<UINT> seen;
  TRecordingWindow window(seen);
  SendMessageW(window.Handle(), WM_USER + 9, 0, 0);
  EXPECT_TRUE(gShownMessages.empty()) << "nothing is shown before the application installs its box";
  InstallMessageBox(RecordMessage);
  SendMessageW(window.Handle(), WM_USER + 9, 0, 0);
  EXPECT_EQ(std::vector<std::wstring>{L"handler failed"}, gShownMessages);
  int fromWorker = -1;
  std::thread([&] { fromWorker = MsgBox(nullptr, L"from a worker", MB_OK); }).join();
  EXPECT_EQ(0, fromWorker);
  EXPECT_EQ(1u, gShownMessages.size()) << "a worker's message only reaches the log";
  InstallMessageBox(nullptr);
}

TEST(Window, CentresOnAShownOwnerElseOnTheScreen) {
  std::vector<UINT> seen;
  TRecordingWindow owner(seen);
  RECT ownerBounds;
  GetWindowRect(owner.Handle(), &ownerBounds);
  const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  struct TCase {
    HWND over;
    int show;
    RECT area;
  } const cases[] = {{owner.Handle(), SW_SHOWNA, ownerBounds},
                     {owner.Handle(), SW_MINIMIZE, screen},
                     {owner.Handle(), SW_HIDE, screen},
                     {nullptr, SW_SHOWNA, screen}};
  for (const TCase& c : cases) {
    ShowWindow(owner.Handle(), c.show);
    const RECT bounds = CentredWindowBounds(200, 100, WS_POPUP, 0, c.over);
    EXPECT_EQ(200, bounds.right - bounds.left) << c.show;
    EXPECT_EQ(100, bounds.bottom - bounds.top) << c.show;
    EXPECT_EQ((c.area.left + c.area.right) / 2, (bounds.left + bounds.right) / 2) << c.show;
    EXPECT_EQ((c.area.top + c.area.bottom) / 2, (bounds.top + bounds.bottom) / 2) << c.show;
  }
}
