#include "audio/untFormVolumeSpeaker.h"

#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untSettings.h"
#include "support/widgets/TGdi.h"

namespace {

constexpr int kClientWidth = 568;
constexpr int kClientHeight = 434;
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME;
constexpr UINT_PTR kRecordTimerId = 1;
const wchar_t kFontFace[] = L"微软雅黑";
const COLORREF kFormColour = RGB(0xCC, 0xCC, 0xCC);
const COLORREF kPageColour = RGB(0xF0, 0xF0, 0xF0);
const COLORREF kBarColour = RGB(0xD6, 0xD6, 0xD6);
const COLORREF kTextColour = RGB(0, 0, 0);
const COLORREF kSuccessColour = RGB(0x71, 0xBA, 0x25);
const COLORREF kLevelStart = RGB(0x78, 0xC2, 0xFE);
const COLORREF kLevelEnd = RGB(0x29, 0x7E, 0xF3);
// The bottom bar of each page and its buttons.
constexpr int kBarTop = 384;
constexpr int kBarHeight = 50;
constexpr int kBarButtonTop = 10;
const wchar_t kNoDeviceText[] = L"您的计算机上没有可用的录音设备(麦克风)。如果您无法完成跟读录音的作业，可以选择跳过。";

}  // namespace

TFormVolumeSpeaker::TFormVolumeSpeaker(HWND owner)
    : FFont(CreateUiFont(kFontFace, 16, false, GB2312_CHARSET)),
      FBoldFont(CreateUiFont(kFontFace, 16, true, GB2312_CHARSET)),
      FSmallFont(CreateUiFont(kFontFace, 12, false, GB2312_CHARSET)),
      FTestPlayStrip(LoadAlphaBitmap(L"TEST_PLAY")),
      FCheckMark(LoadAlphaBitmap(L"CHECK_MARK")),
      FHeadphoneLaptop(LoadAlphaBitmap(L"HEADPHONE_LAPTOP")),
      FHeadphoneDesktop(LoadAlphaBitmap(L"HEADPHONE_DESKTOP")),
      FMicrophoneLaptop(LoadAlphaBitmap(L"MICROPHONE_LAPTOP")),
      FMicrophoneDesktop(LoadAlphaBitmap(L"MICROPHONE_DESKTOP")) {
  SetBackgroundColour(kFormColour);
  CreateHandle(kFormVolumeSpeakerClassName, L"调整音量和麦克风", kFormStyle, kFormExStyle,
               CentredWindowBounds(kClientWidth, kClientHeight, kFormStyle, kFormExStyle, owner), owner);
  CreateControls();
  FormCreate();
}

TFormVolumeSpeaker::~TFormVolumeSpeaker() {
  FreeAudioComponents();
  DestroyHandle();
}

void TFormVolumeSpeaker::FreeAudioComponents() {
  KillTimer(Handle(), kRecordTimerId);
  // Stopping first lets the last events reach the live window; then nothing of theirs is left to arrive.
  StopTest();
  for (TWaveAudioIO* component :
       {static_cast<TWaveAudioIO*>(StockAudioPlayer.get()), static_cast<TWaveAudioIO*>(StockAudioRecorder.get())}) {
    component->OnLevel = nullptr;
    component->OnDeactivate = nullptr;
  }
  StockAudioPlayer.reset();
  // The recorder writes into the test stream until it has closed.
  StockAudioRecorder.reset();
  FTestRecordStream.reset();
}

void TFormVolumeSpeaker::CreateControls() {
  pnlSpeakerTest =
      std::make_unique<TPanel>(Handle(), idPnlSpeakerTest, Place(0, 0, kClientWidth, kClientHeight), kPageColour);
  HWND page = pnlSpeakerTest->Handle();
  Label1 = std::make_unique<TLabel>(page, idLabel1, Place(24, 16, 520, 22), L"请您点击“播放测试音”按钮试听：",
                                    FBoldFont.Get(), kTextColour, kPageColour);
  btnTestPlay = std::make_unique<TImageToggleButton>(page, idBtnTestPlay, Place(24, 48, 100, 25), L"播放测试音",
                                                     FTestPlayStrip.Get(), FSmallFont.Get(), 24, 96, kPageColour);
  pgVolumeLevelSpeaker =
      std::make_unique<TLevelBar>(page, idPgVolumeLevelSpeaker, Place(136, 56, 240, 10), kLevelStart, kLevelEnd, false);
  Label11 = std::make_unique<TLabel>(page, idLabel11, Place(24, 92, 60, 17), L"音量调节：", FSmallFont.Get(),
                                     kTextColour, kPageColour);
  sldSpeaker = std::make_unique<TSlider>(page, idSldSpeaker, Place(88, 86, 288, 28), kPageColour);
  Label3 = std::make_unique<TLabel>(page, idLabel3, Place(24, 128, 520, 22),
                                    L"如果您没有听到这段声音，请根据提示调整设置后再次播放：", FFont.Get(), kTextColour,
                                    kPageColour);
  Label4 = std::make_unique<TLabel>(
      page, idLabel4, Place(24, 156, 520, 46),
      L"1、您的耳机或者音箱没有插好，请将耳机或者音箱设备连接到正确的插孔（通常为绿色或有耳机图标）", FFont.Get(),
      kTextColour, kPageColour, true);
  Label5 = std::make_unique<TLabel>(page, idLabel5, Place(24, 206, 520, 46),
                                    L"2、您的笔记本电脑、耳机或音箱上的音量控制开关没有打开，请打开相应开关",
                                    FFont.Get(), kTextColour, kPageColour, true);
  Image2 = std::make_unique<TPicture>(page, idImage2, Place(24, 262, 176, 100), FHeadphoneLaptop.Get(), kPageColour);
  Image3 = std::make_unique<TPicture>(page, idImage3, Place(216, 262, 176, 100), FHeadphoneDesktop.Get(), kPageColour);
  pnlSpeakerBar =
      std::make_unique<TPanel>(page, idPnlSpeakerBar, Place(0, kBarTop, kClientWidth, kBarHeight), kBarColour);

  pnlMicrophoneTest =
      std::make_unique<TPanel>(Handle(), idPnlMicrophoneTest, Place(0, 0, kClientWidth, kClientHeight), kPageColour);
  page = pnlMicrophoneTest->Handle();
  Label6 = std::make_unique<TLabel>(page, idLabel6, Place(24, 16, 520, 22), L"请您对着麦克风讲话，以检测麦克风是否正常",
                                    FBoldFont.Get(), kTextColour, kPageColour);
  Label10 = std::make_unique<TLabel>(page, idLabel10, Place(24, 54, 60, 17), L"录音设备：", FSmallFont.Get(),
                                     kTextColour, kPageColour);
  cmbMicrophoneDevices =
      std::make_unique<TComboBox>(page, idCmbMicrophoneDevices, Place(88, 50, 288, 200), FSmallFont.Get());
  Label12 = std::make_unique<TLabel>(page, idLabel12, Place(24, 88, 60, 17), L"录音指示：", FSmallFont.Get(),
                                     kTextColour, kPageColour);
  pgVolumeLevelMic =
      std::make_unique<TLevelBar>(page, idPgVolumeLevelMic, Place(88, 91, 288, 10), kLevelStart, kLevelEnd, true);
  Label13 = std::make_unique<TLabel>(page, idLabel13, Place(24, 116, 60, 17), L"录音音量：", FSmallFont.Get(),
                                     kTextColour, kPageColour);
  sldMicrophone = std::make_unique<TSlider>(page, idSldMicrophone, Place(88, 110, 288, 28), kPageColour);

  pnlMicrophoneTip = std::make_unique<TPanel>(page, idPnlMicrophoneTip, Place(24, 148, 520, 232), kPageColour);
  HWND tip = pnlMicrophoneTip->Handle();
  Label7 = std::make_unique<TLabel>(tip, idLabel7, Place(0, 0, 520, 22),
                                    L"请插好麦克风。如果音量太小，请用鼠标拖动上面的音量滑杆。", FFont.Get(),
                                    kTextColour, kPageColour);
  Label9 = std::make_unique<TLabel>(tip, idLabel9, Place(0, 26, 520, 22), L"麦克风插口通常为红色或有麦克风图标：",
                                    FFont.Get(), kTextColour, kPageColour);
  Image4 = std::make_unique<TPicture>(tip, idImage4, Place(0, 52, 176, 100), FMicrophoneLaptop.Get(), kPageColour);
  Image5 = std::make_unique<TPicture>(tip, idImage5, Place(192, 52, 176, 100), FMicrophoneDesktop.Get(), kPageColour);
  Label2 = std::make_unique<TLabel>(tip, idLabel2, Place(0, 160, 520, 22),
                                    L"如果您的麦克风可用，现在讲话会让上方的“音量指示”明显跳动。", FFont.Get(),
                                    kTextColour, kPageColour);
  lblTipMultiMicrophones =
      std::make_unique<TLabel>(tip, idLblTipMultiMicrophones, Place(0, 186, 520, 46),
                               L"（检测到您的计算机有多个录音设备，\r\n您可以从上方的“录音设备”做切换）", FFont.Get(),
                               kTextColour, kPageColour, true);

  pnlMicrophoneOK = std::make_unique<TPanel>(page, idPnlMicrophoneOK, Place(24, 148, 520, 232), kPageColour);
  Image1 = std::make_unique<TPicture>(pnlMicrophoneOK->Handle(), idImage1, Place(0, 8, 48, 48), FCheckMark.Get(),
                                      kPageColour);
  Label8 =
      std::make_unique<TLabel>(pnlMicrophoneOK->Handle(), idLabel8, Place(60, 20, 460, 24),
                               L"检测成功，您的麦克风已经正常开启。", FBoldFont.Get(), kSuccessColour, kPageColour);
  pnlMicrophoneBar =
      std::make_unique<TPanel>(page, idPnlMicrophoneBar, Place(0, kBarTop, kClientWidth, kBarHeight), kBarColour);

  auto barButton = [this](TPanel& bar, UINT_PTR id, const wchar_t* caption, int left) {
    return std::make_unique<TButton>(bar.Handle(), id, Place(left, kBarButtonTop, 80, 30), caption, FFont.Get());
  };
  btnGotoMicrophoneTest = barButton(*pnlSpeakerBar, idBtnGotoMicrophoneTest, L"下一步", 468);
  btnGotoSpeakerTest = barButton(*pnlMicrophoneBar, idBtnGotoSpeakerTest, L"上一步", 372);
  btnClose = barButton(*pnlMicrophoneBar, idBtnClose, L"关闭", 468);

  btnTestPlay->OnClick = [this] { btnTestPlayClick(); };
  btnGotoMicrophoneTest->OnClick = [this] { btnGotoMicrophoneTestClick(); };
  btnGotoSpeakerTest->OnClick = [this] { btnGotoSpeakerTestClick(); };
  btnClose->OnClick = [this] { btnCloseClick(); };
  cmbMicrophoneDevices->OnChange = [this] { cmbMicrophoneDevicesChange(); };
  sldSpeaker->OnChange = [this] { sldSpeakerChange(); };
  sldMicrophone->OnChange = [this] { sldMicrophoneChange(); };
}

void TFormVolumeSpeaker::FormCreate() {
  ShowWindow(pnlMicrophoneTest->Handle(), SW_HIDE);
  ShowWindow(pnlMicrophoneOK->Handle(), SW_HIDE);

  AudioMixer = std::make_unique<TAudioMixer>();
  StockAudioRecorder = std::make_unique<TStockAudioRecorder>();
  StockAudioRecorder->SetBufferLength(100);
  StockAudioRecorder->OnLevel = [this](TWaveAudioIO&, int level) { StockAudioRecorderLevel(level); };
  StockAudioPlayer = std::make_unique<TStockAudioPlayer>();
  StockAudioPlayer->SetBufferLength(100);
  StockAudioPlayer->OnLevel = [this](TWaveAudioIO&, int level) { StockAudioPlayerLevel(level); };
  StockAudioPlayer->OnDeactivate = [this](TWaveAudioIO&) { StockAudioPlayerDeactivate(); };

  FAllowChangeVolumeBySlider = false;
  sldSpeaker->SetValue(100);
  sldMicrophone->SetValue(100);
  WriteLog(FEndpointVolume ? L"TFormVolumeSpeaker speaker volume: endpoint volume"
                           : L"TFormVolumeSpeaker speaker volume: legacy mixer");
  FindMixerLines();
  FAllowChangeVolumeBySlider = true;
  // Now a change reaches the devices: raising a slider writes 50 % to every line of its kind.
  sldSpeaker->SetValue(RaiseToOpeningVolume(sldSpeaker->Value()));
  sldMicrophone->SetValue(RaiseToOpeningVolume(sldMicrophone->Value()));
  FillDeviceList();
}

void TFormVolumeSpeaker::FindMixerLines() {
  const int mixerCount = TAudioMixer::MixerCount();
  for (int mixer = 0; mixer < mixerCount; ++mixer) {
    AudioMixer->SetMixerID(mixer);
    for (int destination = 0; destination < AudioMixer->DestinationCount(); ++destination) {
      AudioMixer->SetDestinationID(destination);
      TAudioMixerLine& master = AudioMixer->Master();
      WriteLog(DestinationLogLine(mixer, AudioMixer->MixerName(), destination, AudioMixer->DestinationName(),
                                  master.TargetType(), master.Name(), master.Volume()));
      switch (RoleOfDestination(master.TargetType())) {
        case TMixerLineRole::lrSpeaker:
          FMixerSpeakers.emplace_back(mixer, destination);
          master.SetMute(false);
          if (FEndpointVolume) {
            master.SetVolume(100);
            FEndpointVolume.Get()->SetMute(FALSE, nullptr);
            float scalar = 0;
            FEndpointVolume.Get()->GetMasterVolumeLevelScalar(&scalar);
            sldSpeaker->SetValue(EndpointPercentFromScalar(scalar));
          } else {
            sldSpeaker->SetValue(LowerToLineVolume(sldSpeaker->Value(), master.Volume()));
          }
          break;
        case TMixerLineRole::lrMicrophone:
          FMixerMicrophones.emplace_back(mixer, destination);
          master.SetMute(false);
          sldMicrophone->SetValue(LowerToLineVolume(sldMicrophone->Value(), master.Volume()));
          break;
        case TMixerLineRole::lrNone:
          break;
      }
    }
  }
}

void TFormVolumeSpeaker::FillDeviceList() {
  const int devices = static_cast<int>(TWaveAudioIn::NumDevs());
  for (int device = 0; device < devices; ++device) {
    std::wstring name = L"(设备错误)";
    try {
      StockAudioRecorder->SetDeviceID(device);
      name = StockAudioRecorder->DeviceName();
    } catch (const EWaveAudioError&) {
      // a device that vanished or cannot be asked keeps its place in the list
    }
    SendMessageW(cmbMicrophoneDevices->Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  switch (DeviceListHint(devices)) {
    case TDeviceListHint::dhNoDevice:
      MsgBox(Handle(), kNoDeviceText, MB_ICONWARNING);
      break;
    case TDeviceListHint::dhSingleDevice:
      lblTipMultiMicrophones->SetVisible(false);
      break;
    case TDeviceListHint::dhMultipleDevices:
      lblTipMultiMicrophones->SetVisible(true);
      break;
  }
}

int TFormVolumeSpeaker::SelectedMicrophoneDeviceId() const {
  return MicrophoneDeviceIdOfSelection(
      static_cast<int>(SendMessageW(cmbMicrophoneDevices->Handle(), CB_GETCURSEL, 0, 0)));
}

void TFormVolumeSpeaker::SetSelectedMicrophoneDeviceId(int id) {
  if (IsMicrophoneIndexValid(id, static_cast<int>(SendMessageW(cmbMicrophoneDevices->Handle(), CB_GETCOUNT, 0, 0))))
    SendMessageW(cmbMicrophoneDevices->Handle(), CB_SETCURSEL, static_cast<WPARAM>(id), 0);
}

void TFormVolumeSpeaker::ShowModal() {
  FModalEnded = false;
  RunModal([this] { return FModalEnded; });
}

TAudioMixerLine& TFormVolumeSpeaker::SelectLine(const std::pair<int, int>& line) {
  AudioMixer->SetMixerID(line.first);
  AudioMixer->SetDestinationID(line.second);
  return AudioMixer->Master();
}

void TFormVolumeSpeaker::sldSpeakerChange() {
  if (!FAllowChangeVolumeBySlider) return;
  for (const auto& line : FMixerSpeakers) {
    TAudioMixerLine& master = SelectLine(line);
    master.SetMute(false);
    if (FEndpointVolume) {
      master.SetVolume(100);
      FEndpointVolume.Get()->SetMute(FALSE, nullptr);
      FEndpointVolume.Get()->SetMasterVolumeLevelScalar(EndpointScalarFromPercent(sldSpeaker->Value()), nullptr);
    } else {
      master.SetVolume(sldSpeaker->Value());
    }
  }
}

void TFormVolumeSpeaker::sldMicrophoneChange() {
  if (!FAllowChangeVolumeBySlider) return;
  const int volume = sldMicrophone->Value();
  for (const auto& line : FMixerMicrophones) {
    TAudioMixerLine& master = SelectLine(line);
    master.SetMute(false);
    master.SetVolume(volume);
    // Every recording input of the device: microphone, line-in and the like.
    for (int source = 0; source < AudioMixer->LineCount(); ++source) {
      AudioMixer->Lines(source).SetMute(false);
      AudioMixer->Lines(source).SetVolume(volume);
    }
  }
}

void TFormVolumeSpeaker::StopTest() {
  StockAudioPlayer->SetActive(false);
  StockAudioRecorder->SetActive(false);
  KillTimer(Handle(), kRecordTimerId);
  // Window callbacks: the waits handle the devices' last messages, the player's end event among them.
  StockAudioPlayer->WaitForStop();
  StockAudioRecorder->WaitForStop();
  InvalidateRect(btnTestPlay->Handle(), nullptr, FALSE);
  FTestRecordStream.reset();
}

void TFormVolumeSpeaker::StartTestMicrophone(int index) {
  try {
    StockAudioRecorder->SetDeviceID(index);
  } catch (const EWaveAudioError&) {
    MsgBox(Handle(), L"录音设备不可用", MB_ICONWARNING);
    return;
  }
  FTestRecordStream = std::make_unique<TMemoryStream>();
  StockAudioRecorder->RecordToStream(*FTestRecordStream);
  SetTimer(Handle(), kRecordTimerId, FRecordRestartInterval, nullptr);
}

void TFormVolumeSpeaker::tmrRecordTimer() {
  StopTest();
  StartTestMicrophone(SelectedMicrophoneDeviceId());
}

void TFormVolumeSpeaker::StockAudioRecorderLevel(int level) {
  pgVolumeLevelMic->SetPosition(level);
  if (IsSpeechLevel(level)) FMicrophoneDetected = true;
  if (FMicrophoneDetected) {
    ShowWindow(pnlMicrophoneTip->Handle(), SW_HIDE);
    ShowWindow(pnlMicrophoneOK->Handle(), SW_SHOWNA);
  }
}

void TFormVolumeSpeaker::StockAudioPlayerLevel(int level) {
  if (!pgVolumeLevelSpeaker->Visible()) pgVolumeLevelSpeaker->SetVisible(true);
  pgVolumeLevelSpeaker->SetPosition(level);
}

void TFormVolumeSpeaker::StockAudioPlayerDeactivate() { btnTestPlay->SetDown(false); }

void TFormVolumeSpeaker::btnTestPlayClick() {
  if (!btnTestPlay->Down()) {
    StopTest();
    return;
  }
  StopTest();
  // Stopping a playback released the button; this click asked for a new one.
  btnTestPlay->SetDown(true);
  try {
    StockAudioPlayer->PlayFile(FileBesideExecutable(L"TestSound.wav"));
  } catch (...) {
    // Nothing plays: the button must not stay down.
    btnTestPlay->SetDown(false);
    throw;
  }
}

void TFormVolumeSpeaker::btnGotoMicrophoneTestClick() {
  StopTest();
  StartTestMicrophone(SelectedMicrophoneDeviceId());
  ShowWindow(pnlSpeakerTest->Handle(), SW_HIDE);
  ShowWindow(pnlMicrophoneTest->Handle(), SW_SHOW);
}

void TFormVolumeSpeaker::btnGotoSpeakerTestClick() {
  StopTest();
  ShowWindow(pnlSpeakerTest->Handle(), SW_SHOW);
  ShowWindow(pnlMicrophoneTest->Handle(), SW_HIDE);
}

void TFormVolumeSpeaker::btnCloseClick() {
  StopTest();
  PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TFormVolumeSpeaker::cmbMicrophoneDevicesChange() {
  if (!IsWindowVisible(pnlMicrophoneTest->Handle())) return;
  StopTest();
  StartTestMicrophone(SelectedMicrophoneDeviceId());
}

LRESULT TFormVolumeSpeaker::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kRecordTimerId) tmrRecordTimer();
      return 0;
    case WM_CLOSE:
      // Closing ends the modal loop; the owner reads the selection and then destroys the window.
      FModalEnded = true;
      return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}
