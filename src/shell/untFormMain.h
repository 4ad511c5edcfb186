#pragma once
// The main window: its own 36-pixel title panel instead of a system frame, resize zones along the
// edges, work-area "maximising", the start-up checks and the blinking record-failed hint.
#include <windows.h>

#include <memory>
#include <string>

#include "base/untHandle.h"
#include "base/untSettings.h"
#include "bridge/untTovlaneWebBrowserExternal.h"
#include "shell/untBrowserHost.h"
#include "shell/untFormMainRules.h"
#include "support/widgets/TButtons.h"
#include "support/widgets/TLabel.h"
#include "support/widgets/TPanel.h"
#include "support/widgets/TWindow.h"
#include "update/untUpdateFlow.h"

inline constexpr wchar_t kFormMainClassName[] = L"TFormMainTovlaneClient";

// Control identifiers, so that the controls can be found from outside (tests, accessibility tools).
enum TFormMainControl : UINT_PTR {
  idPnlTitle = 100,
  idImg1,
  idBtnGoHome,
  idBtnRefresh,
  idBtnTest,
  idLblRecordFailedTip,
  idBtnTool,
  idLblVersion,
  idBtnMin,
  idBtnMax,
  idBtnClose
};

class TFormMainTovlaneClient : public TWindow, public IMainWindowOperations, public IUpdateHost {
 public:
  // Creates the window and its controls, hidden; FormCreate runs the start-up.
  TFormMainTovlaneClient();
  ~TFormMainTovlaneClient() override;

  void FormCreate();
  int MsgBox(const std::wstring& text, UINT types) override;
  void ShowRecordFailedTip() override;
  void ForceFlashUpdate() override;
  // The time between two blinks of the hint, TBlinkSchedule::kIntervalMs unless changed.
  void SetRecordFailedTipInterval(UINT ms) { FRecordFailedTipInterval = ms; }
  // The bridge handed to pages; null before FormCreate.
  TTovlaneWebBrowserExternal* External() const { return ewbExternal.Get(); }

  // The application-wide message hook, before the loop does anything else with a message: keyboard messages
  // go to the page first. True when the message was handled and is not to be dispatched.
  bool ApplicationEvents1Message(MSG& message);

  void btnGoHomeClick();
  void btnRefreshClick();
  void btnMaxClick();
  void btnMinClick();
  void btnCloseClick();
  void btnTestClick();
  void btnToolClick();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PrepareEnvironmentInfo();
  void CheckDiskSpace();
  void CheckMicrophone();
  void LayoutControls(int clientWidth);
  void pnlTitleMouseDown();
  void tmrRecordFailedTipTimer();
  LRESULT WMNCHitTest(WPARAM wParam, LPARAM lParam);
  IDispatch* WebBrowserGetExternal();
  HWND OwnerWindow() override { return Handle(); }
  void CloseForUpdate() override { btnCloseClick(); }

  TTovlaneSettings FSettings;
  std::wstring FMainSiteUrl;
  bool FIsMax = false;
  TBlinkSchedule FRecordFailedTip;
  UINT FRecordFailedTipInterval = TBlinkSchedule::kIntervalMs;
  ComPtr<TTovlaneWebBrowserExternal> ewbExternal;
  TWebBrowserScriptExecutor* FScriptExecutor = nullptr;  // the bridge's
  bool FExternalKept = false;
  std::unique_ptr<TWebBrowserHost> FCurrentEWB;

  TFontHandle FFont, FTipFont;
  TBitmapHandle FLogo, FHomeImage, FRefreshImage, FTestImage, FToolImage, FMinStrip, FMaxStrip, FCloseStrip;
  std::unique_ptr<TPanel> pnlTitle;
  std::unique_ptr<TPicture> img1;
  std::unique_ptr<TFlatButton> btnGoHome, btnRefresh, btnTest, btnTool;
  std::unique_ptr<TLabel> lblRecordFailedTip, lblVersion;
  std::unique_ptr<TImageButton> btnMin, btnMax, btnClose;
  TUpdateFlow FUpdateFlow{*this, FSettings};
};
