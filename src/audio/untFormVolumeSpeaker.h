#pragma once
// The sound and microphone test window: a speaker page that plays the test sound with a level bar and a volume
// slider, and a microphone page that records from the chosen device to drive a level bar until speech is heard.
// Opening it unmutes the speaker and recording lines and raises every volume below 50 % to 50 %.
//
// Everything runs on the window's thread: the recorder and the player use window callbacks, so their level and
// end events arrive through the message loop. The window stops and frees both before its own handle goes, so
// no event of theirs can reach a window that is being destroyed.
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "audio/MMDevApi.h"
#include "audio/WaveMixer.h"
#include "audio/WavePlayers.h"
#include "audio/WaveRecorders.h"
#include "audio/untFormVolumeSpeakerRules.h"
#include "base/Streams.h"
#include "support/widgets/TButtons.h"
#include "support/widgets/TLabel.h"
#include "support/widgets/TLevelBar.h"
#include "support/widgets/TPanel.h"
#include "support/widgets/TSlider.h"
#include "support/widgets/TSystemControls.h"
#include "support/widgets/TWindow.h"

inline constexpr wchar_t kFormVolumeSpeakerClassName[] = L"TFormVolumeSpeaker";

class TFormVolumeSpeaker : public TWindow {
 public:
  // Control identifiers, so that the controls can be found from outside; each is unique within the window.
  enum TControl : UINT_PTR {
    idPnlSpeakerTest = 200,
    idLabel1,
    idBtnTestPlay,
    idPgVolumeLevelSpeaker,
    idLabel11,
    idSldSpeaker,
    idLabel3,
    idLabel4,
    idLabel5,
    idImage2,
    idImage3,
    idPnlSpeakerBar,
    idBtnGotoMicrophoneTest,
    idPnlMicrophoneTest,
    idLabel6,
    idLabel10,
    idCmbMicrophoneDevices,
    idLabel12,
    idPgVolumeLevelMic,
    idLabel13,
    idSldMicrophone,
    idPnlMicrophoneTip,
    idLabel7,
    idLabel9,
    idImage4,
    idImage5,
    idLabel2,
    idLblTipMultiMicrophones,
    idPnlMicrophoneOK,
    idImage1,
    idLabel8,
    idPnlMicrophoneBar,
    idBtnGotoSpeakerTest,
    idBtnClose
  };

  // Creates the window hidden, centred on its owner, and runs FormCreate.
  explicit TFormVolumeSpeaker(HWND owner);
  ~TFormVolumeSpeaker() override;

  // The device list's selection, 0 when nothing is selected.
  int SelectedMicrophoneDeviceId() const;
  // Selects the device when the index names one; anything else changes nothing.
  void SetSelectedMicrophoneDeviceId(int id);
  // Shows the window over its disabled owner until it is closed (its close box or "关闭").
  void ShowModal();
  // The time between two restarts of the microphone test, RecordRestartIntervalMs unless changed.
  void SetRecordRestartInterval(UINT ms) { FRecordRestartInterval = ms; }

  void StopTest();
  void StartTestMicrophone(int index);

  void btnTestPlayClick();
  void btnGotoMicrophoneTestClick();
  void btnGotoSpeakerTestClick();
  void btnCloseClick();
  void cmbMicrophoneDevicesChange();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  using TMixerLines = std::vector<std::pair<int, int>>;  // (mixer index, destination index)

  void CreateControls();
  void FormCreate();
  void FindMixerLines();
  void FillDeviceList();
  // Selects the mixer and destination of a pair.
  TAudioMixerLine& SelectLine(const std::pair<int, int>& line);
  void sldSpeakerChange();
  void sldMicrophoneChange();
  void tmrRecordTimer();
  void StockAudioPlayerLevel(int level);
  void StockAudioPlayerDeactivate();
  void StockAudioRecorderLevel(int level);
  // Stops both components and frees them; their events go with them.
  void FreeAudioComponents();

  std::unique_ptr<TMemoryStream> FTestRecordStream;
  bool FMicrophoneDetected = false;
  bool FAllowChangeVolumeBySlider = false;
  TMixerLines FMixerSpeakers, FMixerMicrophones;
  TEndpointVolume FEndpointVolume;
  UINT FRecordRestartInterval = RecordRestartIntervalMs;
  bool FModalEnded = false;

  std::unique_ptr<TAudioMixer> AudioMixer;
  std::unique_ptr<TStockAudioRecorder> StockAudioRecorder;
  std::unique_ptr<TStockAudioPlayer> StockAudioPlayer;

  // Fonts and pictures outlive the controls that borrow them.
  TFontHandle FFont, FBoldFont, FSmallFont;
  TBitmapHandle FTestPlayStrip, FCheckMark, FHeadphoneLaptop, FHeadphoneDesktop, FMicrophoneLaptop, FMicrophoneDesktop;
  std::unique_ptr<TPanel> pnlSpeakerTest, pnlSpeakerBar, pnlMicrophoneTest, pnlMicrophoneTip, pnlMicrophoneOK,
      pnlMicrophoneBar;
  std::unique_ptr<TLabel> Label1, Label11, Label3, Label4, Label5, Label6, Label10, Label12, Label13, Label7, Label9,
      Label2, lblTipMultiMicrophones, Label8;
  std::unique_ptr<TImageToggleButton> btnTestPlay;
  std::unique_ptr<TLevelBar> pgVolumeLevelSpeaker, pgVolumeLevelMic;
  std::unique_ptr<TSlider> sldSpeaker, sldMicrophone;
  std::unique_ptr<TPicture> Image1, Image2, Image3, Image4, Image5;
  std::unique_ptr<TButton> btnGotoMicrophoneTest, btnGotoSpeakerTest, btnClose;
  std::unique_ptr<TComboBox> cmbMicrophoneDevices;
};
