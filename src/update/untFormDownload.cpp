#include "update/untFormDownload.h"

#include "support/widgets/TGdi.h"

namespace {

constexpr int kClientWidth = 386;
constexpr int kClientHeight = 192;
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME;
constexpr UINT_PTR kSpeedTimerId = 1;

}  // namespace

TFormDownload::TFormDownload(HWND AOwner) : FFont(CreateUiFont(L"Tahoma", 11, false, DEFAULT_CHARSET)) {
  SetBackgroundColour(GetSysColor(COLOR_BTNFACE));
  CreateHandle(kFormDownloadClassName, L"Tovlane 更新", kFormStyle, kFormExStyle,
               CentredWindowBounds(kClientWidth, kClientHeight, kFormStyle, kFormExStyle), AOwner);
  const COLORREF face = GetSysColor(COLOR_BTNFACE), text = GetSysColor(COLOR_WINDOWTEXT);
  lblTip = std::make_unique<TLabel>(Handle(), idLblTip, Place(24, 29, 150, 13), L"您需要更新 Tovlane 程序。",
                                    FFont.Get(), text, face);
  lbl2 = std::make_unique<TLabel>(Handle(), idLbl2, Place(24, 61, 111, 13), L"正在下载更新程序 ...", FFont.Get(), text,
                                  face);
  lblSpeedTime =
      std::make_unique<TLabel>(Handle(), idLblSpeedTime, Place(192, 61, 44, 13), L"", FFont.Get(), text, face);
  pbBar = std::make_unique<TProgressBar>(Handle(), idPbBar, Place(24, 96, 337, 17));
  btnCancel =
      std::make_unique<TButton>(Handle(), idBtnCancel, Place(264, 136, 97, 33), L"取消更新", FFont.Get(), BS_FLAT);
  btnCancel->OnClick = [this] { btnCancelClick(); };
  SetTimer(Handle(), kSpeedTimerId, kSpeedIntervalMs, nullptr);
}

TFormDownload::~TFormDownload() {
  DestroyHandle();
  // The transfer goes after the window, so that it has nothing left to report to; it waits for its thread.
  FTransferThread.reset();
}

void TFormDownload::SetTip(const std::wstring& text) { lblTip->SetText(text); }

void TFormDownload::SetSpeedTimerInterval(UINT ms) { SetTimer(Handle(), kSpeedTimerId, ms, nullptr); }

void TFormDownload::StartDownload(const std::wstring& AName, const std::wstring& AUrl, TStream* AStream) {
  FTransferThread = std::make_unique<TTransferThread>(AName, this);
  FTransferThread->SetUrl(AUrl);
  // A setup of any size over a slow line: only a stall (the read time-out) ends it.
  FTransferThread->IdHTTP().RequestTimeout = 0;
  if (AStream) FTransferThread->AttachResponseStream(AStream);
  FTransferThread->Start();
}

TModalResult TFormDownload::ShowModal() {
  RunModal([this] { return FModalResult != mrNone; });
  if (FModalResult == mrNone) {
    if (FTransferThread) {
      FTransferThread->AbortHttpRequest();
      FTransferThread->WaitFor();
    }
    FModalResult = mrCancel;
  }
  return FModalResult;
}

void TFormDownload::TransferReportStatus(TTransferThread* ATransfer, const std::wstring& AStatus) {
  if (ATransfer != FTransferThread.get()) return;
  if (AStatus == kTransferWorking) {
    const std::optional<int> position = ProgressPosition(ATransfer->WorkCount, ATransfer->WorkCountMax);
    // A body of unknown length has no percentage; the bar stays hidden from then on.
    if (!position) FBarHidden = true;
    if (FBarHidden)
      ShowWindow(pbBar->Handle(), SW_HIDE);
    else
      pbBar->SetPosition(*position);
  } else if (AStatus == kTransferOver) {
    FTransferOver = true;
    FModalResult = ATransfer->Succeeded() ? mrOk : mrCancel;
  }
}

void TFormDownload::btnCancelClick() {
  if (FIsCanceledByUser || !FTransferThread) return;
  FIsCanceledByUser = true;
  FTransferThread->AbortHttpRequest();
  SetWindowTextW(btnCancel->Handle(), L"正在停止 ...");
  EnableWindow(btnCancel->Handle(), FALSE);
}

void TFormDownload::FormClose() {
  // During the download the close box cancels, and the window waits for the transfer's end like the button.
  if (FTransferThread && !FTransferOver)
    btnCancelClick();
  else if (FModalResult == mrNone)
    FModalResult = mrCancel;
}

void TFormDownload::tmrSpeedTimer() {
  if (!FTransferThread) return;
  if (auto text = FSpeedCheckPoints.Tick(FTransferThread->WorkCount, FTransferThread->WorkCountMax))
    lblSpeedTime->SetText(*text);
}

LRESULT TFormDownload::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      FormClose();
      return 0;
    case WM_TIMER:
      if (wParam == kSpeedTimerId) tmrSpeedTimer();
      return 0;
    case WM_DESTROY:
      KillTimer(Handle(), kSpeedTimerId);
      return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}
