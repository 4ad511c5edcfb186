// The download window in this process against the platform test server: its layout, progress, estimate,
// hidden bar, cancel by the button and by the close box, and a failed download.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <map>
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
  const struct {
    UINT_PTR id;
    const wchar_t* text;
  } controls[] = {{idLblTip, L"您需要更新 Tovlane 程序。"},
                  {idLbl2, L"正在下载更新程序 ..."},
                  {idLblSpeedTime, L""},
                  {idPbBar, L""},
                  {idBtnCancel, L"取消更新"}};
  std::map<UINT_PTR, RECT> place;
  for (const auto& c : controls) {
    HWND control = Control(form, c.id);
    ASSERT_NE(nullptr, control) << c.id;
    EXPECT_EQ(c.text, Text(control)) << c.id;
    GetWindowRect(control, &place[c.id]);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&place[c.id]), 2);
    EXPECT_TRUE(place[c.id].left >= 0 && place[c.id].right <= client.right && place[c.id].bottom <= client.bottom)
        << c.id;
  }
  // The texts and the bar start on one line, the bar ends where the button does, the estimate stands level with
  // the line before it; from top to bottom: tip, progress line, bar, button.
  const struct {
    UINT_PTR a;
    LONG RECT::*edgeOfA;
    UINT_PTR b;
    LONG RECT::*edgeOfB;
  } shared[] = {{idLblTip, &RECT::left, idLbl2, &RECT::left},
                {idLbl2, &RECT::left, idPbBar, &RECT::left},
                {idPbBar, &RECT::right, idBtnCancel, &RECT::right},
                {idLbl2, &RECT::top, idLblSpeedTime, &RECT::top},
                {idLbl2, &RECT::bottom, idLblSpeedTime, &RECT::bottom}};
  for (const auto& edge : shared) EXPECT_EQ(place[edge.a].*edge.edgeOfA, place[edge.b].*edge.edgeOfB) << edge.a;
  const UINT_PTR fromTop[] = {idLblTip, idLbl2, idPbBar, idBtnCancel};
  for (size_t i = 1; i < std::size(fromTop); ++i)
    EXPECT_LT(place[fromTop[i - 1]].bottom, place[fromTop[i]].top) << fromTop[i];
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
