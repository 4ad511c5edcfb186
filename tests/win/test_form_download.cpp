// The download window in this process against the platform test server: its layout, progress, estimate,
// hidden bar, cancel by the button and by the close box, and a failed download.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "base/untMainThread.h"
#include "base/untText.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"
#include "update/untFormDownload.h"

namespace {

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

bool Shown(HWND control) { return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0; }

HWND Control(const TFormDownload& form, UINT_PTR id) { return GetDlgItem(form.Handle(), static_cast<int>(id)); }

class FormDownload : public ::testing::Test {
 protected:
  TMainThread mainThread;
};

}  // namespace

TEST_F(FormDownload, LaysOutItsControlsAsDesigned) {
  TFormDownload form(nullptr);
  EXPECT_EQ(L"Tovlane 更新", Text(form.Handle()));
  const RECT client = form.ClientBounds();
  EXPECT_EQ(386, client.right);
  EXPECT_EQ(192, client.bottom);
  const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  struct {
    UINT_PTR id;
    int left, top, width, height;
    const wchar_t* text;
  } controls[] = {{idLblTip, 24, 29, 150, 13, L"您需要更新 Tovlane 程序。"},
                  {idLbl2, 24, 61, 111, 13, L"正在下载更新程序 ..."},
                  {idLblSpeedTime, 192, 61, 44, 13, L""},
                  {idPbBar, 24, 96, 337, 17, L""},
                  {idBtnCancel, 264, 136, 97, 33, L"取消更新"}};
  for (const auto& c : controls) {
    HWND control = Control(form, c.id);
    ASSERT_NE(nullptr, control) << c.id;
    RECT bounds;
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_EQ(c.left, bounds.left) << c.id;
    EXPECT_EQ(c.top, bounds.top) << c.id;
    // Labels grow to fit their text, never shrink below the design.
    EXPECT_LE(c.width, bounds.right - bounds.left) << c.id;
    EXPECT_EQ(c.height, bounds.bottom - bounds.top) << c.id;
    EXPECT_EQ(c.text, Text(control)) << c.id;
  }
  PBRANGE range = {};
  SendMessageW(Control(form, idPbBar), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(0, range.iLow);
  EXPECT_EQ(100, range.iHigh);
}

TEST_F(FormDownload, ShowsProgressAndTheRemainingTimeAndEndsWithOk) {
  TFormDownload form(nullptr);
  form.SetTip(L"您需要升级 Tovlane 系统。");
  form.SetSpeedTimerInterval(20);
  TMemoryStream setup;
  // The server's setup program, slowed down so that the window is seen during the download.
  form.StartDownload(L"file", ServerUrl(L"/setup/test-setup?rate=400000"), &setup);
  bool seen = false;
  TWhileModal steps([&] {
    const LRESULT position = SendMessageW(Control(form, idPbBar), PBM_GETPOS, 0, 0);
    const std::wstring estimate = Text(Control(form, idLblSpeedTime));
    if (position <= 0 || position >= 100 || estimate.empty()) return false;
    EXPECT_EQ(0u, estimate.rfind(L"估计剩余时间: ", 0)) << WideToAnsi(estimate);
    EXPECT_NE(std::wstring::npos, estimate.find(L" 分 "));
    EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"download-window"));
    return seen = true;
  }, 10);
  EXPECT_EQ(mrOk, form.ShowModal());
  EXPECT_TRUE(seen) << "the window showed a position between 0 and 100 and an estimate";
  EXPECT_FALSE(form.IsCanceledByUser());
  EXPECT_EQ(100, SendMessageW(Control(form, idPbBar), PBM_GETPOS, 0, 0));
  EXPECT_TRUE(Shown(Control(form, idPbBar)));
  EXPECT_EQ(ReadWholeFile(WindowsPathFromEnv("TOVLANE_TEST_SETUP")).size(), size_t(setup.Size()));
}

TEST_F(FormDownload, ABodyOfUnknownLengthHidesTheBarAtItsFirstReport) {
  TFormDownload form(nullptr);
  TMemoryStream body;
  form.StartDownload(L"file", ServerUrl(L"/bytes?size=100000&length=0"), &body);
  EXPECT_EQ(mrOk, form.ShowModal());
  EXPECT_FALSE(Shown(Control(form, idPbBar)));
  EXPECT_EQ(100000, body.Size());
}

TEST_F(FormDownload, TheButtonAndTheCloseBoxStopTheDownloadAndWaitForItsEnd) {
  for (const bool byCloseBox : {false, true}) {
    SCOPED_TRACE(byCloseBox ? "close box" : "button");
    TFormDownload form(nullptr);
    TMemoryStream body;
    form.SetSpeedTimerInterval(20);
    form.StartDownload(L"file", ServerUrl(L"/drip?interval=0.02&count=100000"), &body);
    bool stopping = false;
    TWhileModal steps([&] {
      // An estimate shows that bytes are flowing.
      if (Text(Control(form, idLblSpeedTime)).empty()) return false;
      HWND button = Control(form, idBtnCancel);
      if (byCloseBox)
        SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
      else
        SendMessageW(button, BM_CLICK, 0, 0);
      // The transfer's end comes as a report, so the window still shows the stopping state here.
      EXPECT_EQ(L"正在停止 ...", Text(button));
      EXPECT_FALSE(IsWindowEnabled(button));
      EXPECT_TRUE(IsWindow(form.Handle()) && Shown(form.Handle()));
      EXPECT_TRUE(
          SaveWindowScreenshot(form.Handle(), byCloseBox ? L"download-window-closing" : L"download-window-stopping"));
      return stopping = true;
    }, 10);
    EXPECT_EQ(mrCancel, form.ShowModal());
    EXPECT_TRUE(stopping);
    EXPECT_TRUE(form.IsCanceledByUser());
  }
}

TEST_F(FormDownload, AFailedDownloadEndsWithCancelThatIsNoUserCancel) {
  TFormDownload form(nullptr);
  TMemoryStream body;
  form.StartDownload(L"file", ServerUrl(L"/setup/missing"), &body);
  EXPECT_EQ(mrCancel, form.ShowModal());
  EXPECT_FALSE(form.IsCanceledByUser());
  // After the end the close box closes without a cancel.
  SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.IsCanceledByUser());
}
