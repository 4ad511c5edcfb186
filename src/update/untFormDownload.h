#pragma once
// The small modal window that shows the download of a setup program: the reason, a progress bar, the remaining
// time and a cancel button. It owns the transfer, receives its reports and closes when the transfer has ended.
#include <windows.h>

#include <memory>
#include <string>

#include "base/untHandle.h"
#include "support/widgets/TLabel.h"
#include "support/widgets/TSystemControls.h"
#include "support/widgets/TWindow.h"
#include "update/untFormDownloadRules.h"
#include "update/untTransferThread.h"

inline constexpr wchar_t kFormDownloadClassName[] = L"TFormDownload";

// Control identifiers, so that the controls can be found from outside.
enum TFormDownloadControl : UINT_PTR { idLblTip = 101, idLbl2, idLblSpeedTime, idPbBar, idBtnCancel };

enum TModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL };

class TFormDownload : public TWindow, public ITransferCallback {
 public:
  static constexpr UINT kSpeedIntervalMs = 1000;

  // Hidden until ShowModal; the owner is disabled while it is shown.
  explicit TFormDownload(HWND AOwner);
  ~TFormDownload() override;

  void SetTip(const std::wstring& text);
  // Starts a transfer named AName of AUrl into AStream (the caller's; a memory stream of the transfer's own
  // when null). Once, before ShowModal.
  void StartDownload(const std::wstring& AName, const std::wstring& AUrl, TStream* AStream);
  // Runs until the transfer has ended: mrOk when it succeeded, mrCancel otherwise. When the application ends
  // meanwhile, the transfer is stopped and waited for first.
  TModalResult ShowModal();
  bool IsCanceledByUser() const { return FIsCanceledByUser; }
  // The remaining-time estimate's tick, kSpeedIntervalMs unless changed.
  void SetSpeedTimerInterval(UINT ms);

  void TransferReportStatus(TTransferThread* ATransfer, const std::wstring& AStatus) override;
  void btnCancelClick();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FormClose();
  void tmrSpeedTimer();

  std::unique_ptr<TTransferThread> FTransferThread;
  bool FTransferOver = false;
  bool FIsCanceledByUser = false;
  bool FBarHidden = false;
  TModalResult FModalResult = mrNone;
  TRemainingTimeEstimate FSpeedCheckPoints;

  TFontHandle FFont;
  std::unique_ptr<TLabel> lblTip, lbl2, lblSpeedTime;
  std::unique_ptr<TProgressBar> pbBar;
  std::unique_ptr<TButton> btnCancel;
};
