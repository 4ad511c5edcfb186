#include "shell/untFormMain.h"

#include <windowsx.h>

#include <cwchar>

#include "audio/WaveIn.h"
#include "audio/untFormVolumeSpeaker.h"
#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untSettings.h"
#include "base/untText.h"
#include "base/untWindowsXP.h"
#include "bridge/untHostPreResolution.h"
#include "bridge/untVoiceEngine.h"
#include "support/widgets/TGdi.h"

namespace {

const COLORREF kFormColour = RGB(223, 223, 223);
const UINT_PTR kRecordFailedTipTimerId = 1;
const wchar_t kFontFace[] = L"微软雅黑";

LRESULT HitTestOf(TResizeZone zone, LRESULT byDefault) {
  switch (zone) {
    case TResizeZone::rzTopLeft:
      return HTTOPLEFT;
    case TResizeZone::rzTopRight:
      return HTTOPRIGHT;
    case TResizeZone::rzBottomLeft:
      return HTBOTTOMLEFT;
    case TResizeZone::rzBottomRight:
      return HTBOTTOMRIGHT;
    case TResizeZone::rzLeft:
      return HTLEFT;
    case TResizeZone::rzRight:
      return HTRIGHT;
    case TResizeZone::rzTop:
      return HTTOP;
    case TResizeZone::rzBottom:
      return HTBOTTOM;
    case TResizeZone::rzNone:
      break;
  }
  return byDefault;
}

}  // namespace

TFormMainTovlaneClient::TFormMainTovlaneClient()
    : FFont(CreateUiFont(kFontFace, 12, false, GB2312_CHARSET)),
      FTipFont(CreateUiFont(kFontFace, 16, true, GB2312_CHARSET)),
      FLogo(LoadAlphaBitmap(L"LOGO")),
      FHomeImage(LoadAlphaBitmap(L"HOME")),
      FRefreshImage(LoadAlphaBitmap(L"REFRESH")),
      FTestImage(LoadAlphaBitmap(L"MICROPHONE")),
      FToolImage(LoadAlphaBitmap(L"TOOL")),
      FMinStrip(LoadAlphaBitmap(L"MINIMISE")),
      FMaxStrip(LoadAlphaBitmap(L"MAXIMISE")),
      FCloseStrip(LoadAlphaBitmap(L"CLOSE")) {
  // The client area is the whole window: there is no frame.
  SetBackgroundColour(kFormColour);
  CreateHandle(kFormMainClassName, L"Tovlane", WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX,
               WS_EX_APPWINDOW, Place(0, 0, 1000, 590), nullptr);
  pnlTitle = std::make_unique<TPanel>(Handle(), idPnlTitle, Place(0, 0, 1000, kTitleHeight), kFormColour);
  HWND title = pnlTitle->Handle();
  img1 = std::make_unique<TPicture>(title, idImg1, Place(16, 2, 72, 31), FLogo.Get(), kFormColour);
  btnGoHome = std::make_unique<TFlatButton>(title, idBtnGoHome, Place(94, 5, 67, 28), L"首页", FHomeImage.Get(), 6,
                                            FFont.Get(), kFormColour);
  btnRefresh = std::make_unique<TFlatButton>(title, idBtnRefresh, Place(167, 5, 66, 28), L"刷新", FRefreshImage.Get(),
                                             6, FFont.Get(), kFormColour);
  btnTest = std::make_unique<TFlatButton>(title, idBtnTest, Place(239, 5, 162, 28), L"声音和麦克风录音测试",
                                          FTestImage.Get(), 6, FFont.Get(), kFormColour);
  // Hidden until a recording fails, so its bold font is not needed for the first frame.
  lblRecordFailedTip = std::make_unique<TLabel>(title, idLblRecordFailedTip, Place(400, 8, 353, 22),
                                                L"◀如果遇到朗读录音问题，可在这里调整录音设备", FTipFont.Get(),
                                                RGB(0, 0, 255), kFormColour, /*wordWrap=*/false, /*visible=*/false);
  btnTool = std::make_unique<TFlatButton>(title, idBtnTool, Place(716, 5, 66, 28), L"工具", FToolImage.Get(), 6,
                                          FFont.Get(), kFormColour);
  lblVersion = std::make_unique<TLabel>(title, idLblVersion, Place(788, 11, 101, 17), L"", FFont.Get(),
                                        RGB(128, 128, 128), kFormColour);
  btnMin =
      std::make_unique<TImageButton>(title, idBtnMin, Place(900, 8, 25, 18), L"minimise", FMinStrip.Get(), kFormColour);
  btnMax =
      std::make_unique<TImageButton>(title, idBtnMax, Place(924, 8, 25, 18), L"maximise", FMaxStrip.Get(), kFormColour);
  btnClose = std::make_unique<TImageButton>(title, idBtnClose, Place(948, 8, 43, 18), L"close", FCloseStrip.Get(),
                                            kFormColour);

  // In a narrow window the hint reaches under the tools button, which stays whole and clickable.
  SetWindowPos(lblRecordFailedTip->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  pnlTitle->OnLeftMouseDown = [this](int, int) { pnlTitleMouseDown(); };
  pnlTitle->OnDblClick = [this] { btnMaxClick(); };
  btnGoHome->OnClick = [this] { btnGoHomeClick(); };
  btnRefresh->OnClick = [this] { btnRefreshClick(); };
  btnTest->OnClick = [this] { btnTestClick(); };
  btnTool->OnClick = [this] { btnToolClick(); };
  btnMin->OnClick = [this] { btnMinClick(); };
  btnMax->OnClick = [this] { btnMaxClick(); };
  btnClose->OnClick = [this] { btnCloseClick(); };

  LayoutControls(ClientBounds().right);
}

TFormMainTovlaneClient::~TFormMainTovlaneClient() {
  // The page may keep the bridge alive beyond the window.
  if (ewbExternal) ewbExternal->SetMainWindow(nullptr);
  DestroyHandle();
}

void TFormMainTovlaneClient::FormCreate() {
  THostPreResolution hostPreResolution;
  PrepareEnvironmentInfo();
  hostPreResolution.Start();
  lblVersion->SetText(std::wstring(L"版本: ") + kClientVersion);
  FIsMax = false;
  btnMaxClick();
  FMainSiteUrl = FSettings.ReadDebugSetting(L"MainSiteUrl", kDefaultMainSiteUrl);
  if (OpenUrl.empty()) OpenUrl = FMainSiteUrl;
  FCurrentEWB = CreateNewWebBrowser(Handle(), OpenUrl, FSettings, [this] { return WebBrowserGetExternal(); });
  auto executor = std::make_unique<TWebBrowserScriptExecutor>();
  FScriptExecutor = executor.get();
  ewbExternal = TTovlaneWebBrowserExternal::Create(std::move(executor), std::make_unique<TVoiceEngine>());
  ewbExternal->SetMainWindow(this);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  BringWindowToTop(Handle());
  UpdateWindow(Handle());
  CheckDiskSpace();
  CheckMicrophone();
  FUpdateFlow.StartClientUpdate();
}

void TFormMainTovlaneClient::PrepareEnvironmentInfo() {
  FSettings.OpenRegistry();
  DeleteTempUpdateFiles();
  FSettings.ReadCurrentFlashVersion();
  WriteLog(L"Current flash version: " + FSettings.CurrentFlashVersion());
}

void TFormMainTovlaneClient::CheckDiskSpace() {
  ULARGE_INTEGER freeForUser = {};
  const bool known = GetDiskFreeSpaceExW(L"C:\\", &freeForUser, nullptr, nullptr) != FALSE;
  if (IsDiskSpaceLow(known, freeForUser.QuadPart))
    MsgBox(L"您的计算机的 C 盘空间不足，会导致网站无法打开等问题。建议您立刻清理 C 盘空间。", MB_ICONINFORMATION);
}

void TFormMainTovlaneClient::CheckMicrophone() {
  const std::optional<int32_t> storedId = FSettings.StoredMicrophoneDeviceId();
  switch (
      ChooseMicrophoneAction(static_cast<int>(TWaveAudioIn::NumDevs()), storedId.has_value(), storedId.value_or(0))) {
    case TMicrophoneAction::maWarnNoDevice:
      MsgBox(L"您的计算机上没有可用的录音设备(麦克风)。如果您无法完成跟读录音的作业，可以选择跳过。", MB_ICONWARNING);
      break;
    case TMicrophoneAction::maOfferTest:
      MsgBox(L"为了更好的完成语音跟读作业，下面将协助您进行麦克风录音测试。", MB_ICONINFORMATION);
      btnTestClick();
      break;
    case TMicrophoneAction::maUseStored:
      ewbExternal->SetMicrophoneDeviceId(storedId.value_or(0));
      break;
  }
}

int TFormMainTovlaneClient::MsgBox(const std::wstring& text, UINT types) { return ::MsgBox(Handle(), text, types); }

void TFormMainTovlaneClient::ShowRecordFailedTip() {
  FRecordFailedTip.Start();
  // Setting the timer again restarts its interval.
  SetTimer(Handle(), kRecordFailedTipTimerId, FRecordFailedTipInterval, nullptr);
}

// The page's "ForceUpdateFlash": the installed player counts as out of date for the rest of the run.
void TFormMainTovlaneClient::ForceFlashUpdate() {
  FSettings.SetCurrentFlashVersion(kForcedFlashVersion);
  FUpdateFlow.StartClientUpdate();
}

void TFormMainTovlaneClient::tmrRecordFailedTipTimer() {
  FRecordFailedTip.Tick();
  lblRecordFailedTip->SetVisible(FRecordFailedTip.Visible());
  if (!FRecordFailedTip.Running()) KillTimer(Handle(), kRecordFailedTipTimerId);
}

void TFormMainTovlaneClient::btnTestClick() {
  {
    TFormVolumeSpeaker form(Handle());
    // A value of another type counts as none stored; one beyond the devices selects nothing.
    form.SetSelectedMicrophoneDeviceId(FSettings.StoredMicrophoneDeviceId().value_or(0));
    form.ShowModal();
    // However the window was closed, its choice is kept and handed to the voice engine.
    const int32_t id = form.SelectedMicrophoneDeviceId();
    WriteLog(L"btnTestClick, MicrophoneDeviceId2: " + std::to_wstring(id));
    try {
      FSettings.StoreMicrophoneDeviceId(id);
    } catch (const ERegistryException& error) {
      WriteLog(L"btnTestClick " + AnsiToWide(error.what()));
    }
    if (ewbExternal) ewbExternal->SetMicrophoneDeviceId(id);
  }
  // Afterwards the hint has done its job.
  FRecordFailedTip.Stop();
  KillTimer(Handle(), kRecordFailedTipTimerId);
  lblRecordFailedTip->SetVisible(false);
}

void TFormMainTovlaneClient::btnToolClick() {
  const std::wstring path = ExecutableFileName();
  if (IsWindowsVistaOrLater()) {
    WriteLog(L"btnToolClick, Vista or higher");
    // Declining the elevation prompt still gets the tools, without the rights to change the MTU.
    if (!RunShellCommand(L"runas", path, L"--tools", L"", SW_SHOW))
      RunShellCommand(L"open", path, L"--tools", L"", SW_SHOW);
  } else {
    WriteLog(L"btnToolClick, WinXP or lower");
    RunShellCommand(L"open", path, L"--tools", L"", SW_SHOW);
  }
}

bool TFormMainTovlaneClient::ApplicationEvents1Message(MSG& message) {
  return FCurrentEWB && FCurrentEWB->RouteKeyboardMessage(message);
}

IDispatch* TFormMainTovlaneClient::WebBrowserGetExternal() {
  // Asked for before the bridge exists (while the blank page loads), the page goes without.
  if (!ewbExternal || !FCurrentEWB) return nullptr;
  FScriptExecutor->SetAttachedWebBrowser(FCurrentEWB->Browser());
  // Never given back, so that no page releasing what it was handed can free the bridge.
  if (!FExternalKept) ewbExternal->AddRef();
  FExternalKept = true;
  ewbExternal->AddRef();
  return ewbExternal.Get();
}

void TFormMainTovlaneClient::btnGoHomeClick() {
  if (FCurrentEWB) FCurrentEWB->Navigate(FMainSiteUrl);
}

void TFormMainTovlaneClient::btnRefreshClick() {
  if (!FCurrentEWB) return;
  const HRESULT result = FCurrentEWB->Refresh();
  if (FAILED(result)) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(result));
    WriteLog(std::wstring(L"btnRefreshClick, Refresh failed: ") + code);
  }
}

void TFormMainTovlaneClient::btnMaxClick() {
  if (IsIconic(Handle()) || IsZoomed(Handle())) ShowWindow(Handle(), SW_RESTORE);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  TBounds bounds{work.left, work.top, work.right - work.left, work.bottom - work.top};
  FIsMax = !FIsMax;
  if (!FIsMax) bounds = RestoredBounds(work.right - work.left, work.bottom - work.top);
  SetWindowPos(Handle(), nullptr, bounds.left, bounds.top, bounds.width, bounds.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormMainTovlaneClient::btnMinClick() { ShowWindow(Handle(), SW_MINIMIZE); }

void TFormMainTovlaneClient::btnCloseClick() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }

void TFormMainTovlaneClient::pnlTitleMouseDown() {
  // The system's move loop drags the window from here on, as if its caption had been grabbed.
  ReleaseCapture();
  SendMessageW(Handle(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void TFormMainTovlaneClient::LayoutControls(int clientWidth) {
  if (!pnlTitle) return;
  SetWindowPos(pnlTitle->Handle(), nullptr, 0, 0, clientWidth, kTitleHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  const struct {
    TWindow* control;
    int designLeft, top;
  } anchored[] = {{btnTool.get(), 716, 5},
                  {lblVersion.get(), 788, 11},
                  {btnMin.get(), 900, 8},
                  {btnMax.get(), 924, 8},
                  {btnClose.get(), 948, 8}};
  for (const auto& place : anchored)
    SetWindowPos(place.control->Handle(), nullptr, RightAnchoredLeft(place.designLeft, clientWidth), place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TFormMainTovlaneClient::WMNCHitTest(WPARAM wParam, LPARAM lParam) {
  const LRESULT byDefault = DefWindowProcW(Handle(), WM_NCHITTEST, wParam, lParam);
  POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(Handle(), &point);
  RECT window;
  GetWindowRect(Handle(), &window);
  return HitTestOf(ResizeZoneAt(point.x, point.y, window.right - window.left, window.bottom - window.top), byDefault);
}

LRESULT TFormMainTovlaneClient::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) LayoutControls(LOWORD(lParam));
      if (wParam != SIZE_MINIMIZED && FCurrentEWB) FCurrentEWB->SetBounds(WebBrowserBounds(ClientBounds()));
      return 0;
    case WM_NCHITTEST:
      return WMNCHitTest(wParam, lParam);
    case WM_TIMER:
      if (wParam == kRecordFailedTipTimerId) tmrRecordFailedTipTimer();
      return 0;
    case WM_DESTROY:
      KillTimer(Handle(), kRecordFailedTipTimerId);
      // The bridge outlives the window; it must not keep the browser alive.
      if (FScriptExecutor) FScriptExecutor->SetAttachedWebBrowser(nullptr);
      FCurrentEWB.reset();
      PostQuitMessage(0);
      return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}
