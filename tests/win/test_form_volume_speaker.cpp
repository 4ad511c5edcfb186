// The sound and microphone test window in this process, on the test environment's real devices: the mixers and
// the endpoint of the sound daemon, the test sound on the virtual speakers, the sine microphone and the silent,
// muted one. What leaves the process is checked from outside with pactl.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/untFormVolumeSpeaker.h"
#include "base/untMainThread.h"
#include "base/untMessages.h"
#include "shell/untFormMain.h"
#include "testkit/Screenshot.h"
#include "testkit/WaveFaults.h"
#include "testkit/WinTestSupport.h"

namespace {

using TForm = TFormVolumeSpeaker;

HWND Control(const TForm& form, std::initializer_list<UINT_PTR> path) {
  HWND window = form.Handle();
  for (UINT_PTR id : path) window = GetDlgItem(window, static_cast<int>(id));
  return window;
}
template <typename Widget>
Widget& WidgetOf(const TForm& form, std::initializer_list<UINT_PTR> path) {
  return *dynamic_cast<Widget*>(TWindow::FromHandle(Control(form, path)));
}
TSlider& MicrophoneSlider(const TForm& form) {
  return WidgetOf<TSlider>(form, {TForm::idPnlMicrophoneTest, TForm::idSldMicrophone});
}
TSlider& SpeakerSlider(const TForm& form) {
  return WidgetOf<TSlider>(form, {TForm::idPnlSpeakerTest, TForm::idSldSpeaker});
}
TLevelBar& MicrophoneBar(const TForm& form) {
  return WidgetOf<TLevelBar>(form, {TForm::idPnlMicrophoneTest, TForm::idPgVolumeLevelMic});
}
TImageToggleButton& PlayButton(const TForm& form) {
  return WidgetOf<TImageToggleButton>(form, {TForm::idPnlSpeakerTest, TForm::idBtnTestPlay});
}
bool Shown(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }
bool SuccessShown(const TForm& form) {
  return Shown(Control(form, {TForm::idPnlMicrophoneTest, TForm::idPnlMicrophoneOK}));
}
bool TipShown(const TForm& form) {
  return Shown(Control(form, {TForm::idPnlMicrophoneTest, TForm::idPnlMicrophoneTip}));
}

void Click(HWND control) {
  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

// The wave-in device of that name, as the pactl description names the daemon's source.
int DeviceIndex(const std::wstring& name) {
  for (UINT device = 0; device < waveInGetNumDevs(); ++device) {
    WAVEINCAPSW caps = {};
    if (waveInGetDevCapsW(device, &caps, sizeof caps) == MMSYSERR_NOERROR && name == caps.szPname)
      return static_cast<int>(device);
  }
  return -1;
}

// The daemon's sources that programs record from and the sinks they play into, by name (the daemon's own
// modules, which join the virtual devices, have no client and are left out).
std::vector<std::string> Streams(const char* kind, const char* targets) {
  const std::string listing = RunHostCommand(std::string("for t in $(pactl list short ") + kind +
                                             " | awk '$3 ~ /^[0-9]/ {print $2}'); do pactl list short " + targets +
                                             " | awk -v i=$t '$1==i {print $2}'; done");
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t end; (end = listing.find('\n', start)) != std::string::npos; start = end + 1)
    if (end > start) names.push_back(listing.substr(start, end - start));
  return names;
}
std::vector<std::string> RecordedSources() { return Streams("source-outputs", "sources"); }
std::vector<std::string> PlayedSinks() { return Streams("sink-inputs", "sinks"); }

// Dispatches messages until done holds or boundMs passed (a bound against hanging); whether it held.
bool PumpUntil(const std::function<bool()>& done, DWORD boundMs) {
  for (DWORD start = GetTickCount(); !done(); Sleep(1)) {
    if (GetTickCount() - start > boundMs) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

// The destinations of the legacy mixer of one target type: (volume, muted) of each master line, set to a value
// first when one is given. (This environment's source lines take values without keeping them.)
struct TLineState {
  int volume;
  bool muted;
};
std::vector<TLineState> MasterLines(TMixerLineTargetType target, const TLineState* set = nullptr) {
  std::vector<TLineState> lines;
  TAudioMixer mixer;
  for (int id = 0; id < TAudioMixer::MixerCount(); ++id) {
    mixer.SetMixerID(id);
    for (int destination = 0; destination < mixer.DestinationCount(); ++destination) {
      mixer.SetDestinationID(destination);
      if (mixer.Master().TargetType() != target) continue;
      if (set) {
        mixer.Master().SetVolume(set->volume);
        mixer.Master().SetMute(set->muted);
      }
      lines.push_back({mixer.Master().Volume(), mixer.Master().Mute()});
    }
  }
  return lines;
}
std::vector<TLineState> RecordingLines() { return MasterLines(TMixerLineTargetType::tgWaveIn); }

// This environment's playback destinations as the wave-out lines that sound cards name (Wine's name no target).
MMRESULT WINAPI PlaybackAsSpeakerLine(HMIXEROBJ mixer, MIXERLINEW* line, DWORD flags) {
  const MMRESULT result = mixerGetLineInfoW(mixer, line, flags);
  if (result == MMSYSERR_NOERROR && line->dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
    line->Target.dwType = MIXERLINE_TARGETTYPE_WAVEOUT;
  return result;
}

HRESULT WINAPI NoCoreAudio(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
  *object = nullptr;
  return REGDB_E_CLASSNOTREG;
}

int CountOf(const std::string& text, const std::vector<std::string>& lines) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != line.npos; }));
}

class FormVolumeSpeaker : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override {
    EXPECT_TRUE(RecordedSources().empty()) << "every recording is closed at the end";
    CoUninitialize();
  }
  // The window's devices report to it through the main thread, as in the client.
  TMainThread fMainThread;
};

}  // namespace

TEST_F(FormVolumeSpeaker, OpensWithEveryLineUnmutedAndAtLeastFiftyAndListsEveryDevice) {
  // The mixers of this environment keep their values within the process: one recording line is set low and muted.
  {
    TAudioMixer mixer;
    mixer.SetMixerID(TAudioMixer::MixerCount() - 1);
    ASSERT_EQ(TMixerLineTargetType::tgWaveIn, mixer.Master().TargetType());
    mixer.Master().SetVolume(30);
    mixer.Master().SetMute(true);
    ASSERT_EQ(30, mixer.Master().Volume());
    ASSERT_TRUE(mixer.Master().Mute());
  }
  TForm form(nullptr);
  EXPECT_EQ(50, MicrophoneSlider(form).Value()) << "the lowest recording line, raised to 50";
  const auto lines = RecordingLines();
  ASSERT_FALSE(lines.empty());
  for (const TLineState& line : lines) {
    EXPECT_EQ(50, line.volume);
    EXPECT_FALSE(line.muted);
  }
  // Moving the slider sets every recording line; so does the keyboard.
  MicrophoneSlider(form).SetValue(70);
  for (const TLineState& line : RecordingLines()) EXPECT_EQ(70, line.volume);
  SendMessageW(MicrophoneSlider(form).Handle(), WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(69, RecordingLines().front().volume);

  // This environment's playback destinations name no wave-out target (the sources do), so the speaker slider
  // has no line to follow and stays at 100 (the test of the speaker line below presents one).
  EXPECT_TRUE(MasterLines(TMixerLineTargetType::tgWaveOut).empty());
  EXPECT_EQ(100, SpeakerSlider(form).Value());

  HWND list = Control(form, {TForm::idPnlMicrophoneTest, TForm::idCmbMicrophoneDevices});
  const int devices = static_cast<int>(waveInGetNumDevs());
  ASSERT_GE(devices, 2);
  ASSERT_EQ(devices, SendMessageW(list, CB_GETCOUNT, 0, 0));
  wchar_t name[64] = {};
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(DeviceIndex(L"Quiet")), reinterpret_cast<LPARAM>(name));
  EXPECT_STREQ(L"Quiet", name);
  EXPECT_TRUE(
      Shown(Control(form, {TForm::idPnlMicrophoneTest, TForm::idPnlMicrophoneTip, TForm::idLblTipMultiMicrophones})));
  // The saved choice: only an index that names a device is taken.
  EXPECT_EQ(0, form.SelectedMicrophoneDeviceId());
  form.SetSelectedMicrophoneDeviceId(devices);
  EXPECT_EQ(0, form.SelectedMicrophoneDeviceId());
  form.SetSelectedMicrophoneDeviceId(-1);
  EXPECT_EQ(-1, SendMessageW(list, CB_GETCURSEL, 0, 0));
  form.SetSelectedMicrophoneDeviceId(devices - 1);
  EXPECT_EQ(devices - 1, form.SelectedMicrophoneDeviceId());

  // One log line per mixer destination.
  int destinationLines = 0;
  for (const auto& line : LogLines())
    if (line.find(", MasterVolume:") != std::string::npos) ++destinationLines;
  EXPECT_GE(destinationLines, TAudioMixer::MixerCount());

  ShowWindow(form.Handle(), SW_SHOW);
  EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"sound-test-speaker-page"));
}

// The speaker line through the route that the window chooses: with Core Audio the endpoint takes the slider's
// volume and the line stays at full volume; without it the slider follows the line, raised to 50, and sets it.
TEST_F(FormVolumeSpeaker, TheSpeakerSliderTakesTheEndpointVolumeOrTheSpeakerLine) {
  const struct {
    const char* route;  // as the window logs it
    bool coreAudio;
    int lineAtOpening, lineAtSeventy;  // the speaker line's volume once opened, and with the slider at 70
  } cases[] = {{"endpoint volume", true, 100, 100}, {"legacy mixer", false, 50, 70}};
  const TMixerCalls mixer = MixerCalls;
  const TComCalls com = ComCalls;
  MixerCalls.getLineInfo = PlaybackAsSpeakerLine;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.route);
    ComCalls = com;
    if (!c.coreAudio) ComCalls.createInstance = NoCoreAudio;
    const TLineState lowAndMuted = {30, true};
    ASSERT_FALSE(MasterLines(TMixerLineTargetType::tgWaveOut, &lowAndMuted).empty());
    const std::string routeLine = std::string("TFormVolumeSpeaker speaker volume: ") + c.route;
    const int routeLines = CountOf(routeLine, LogLines());
    TForm form(nullptr);
    EXPECT_EQ(routeLines + 1, CountOf(routeLine, LogLines()));
    EXPECT_GE(SpeakerSlider(form).Value(), 50);
    for (const TLineState& line : MasterLines(TMixerLineTargetType::tgWaveOut)) {
      EXPECT_EQ(c.lineAtOpening, line.volume);
      EXPECT_FALSE(line.muted);
    }
    SpeakerSlider(form).SetValue(70);
    for (const TLineState& line : MasterLines(TMixerLineTargetType::tgWaveOut)) EXPECT_EQ(c.lineAtSeventy, line.volume);
  }
  MixerCalls = mixer;
  ComCalls = com;
}

TEST_F(FormVolumeSpeaker, PlayButtonPlaysTheTestSoundIntoTheSpeakersAndComesUpAtItsEnd) {
  TForm form(nullptr);
  ShowWindow(form.Handle(), SW_SHOW);
  TImageToggleButton& button = PlayButton(form);
  HWND bar = Control(form, {TForm::idPnlSpeakerTest, TForm::idPgVolumeLevelSpeaker});
  EXPECT_FALSE(Shown(bar));
  // The sound is looked for beside the executable, here the test program.
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring beside(program);
  beside = beside.substr(0, beside.find_last_of(L'\\') + 1) + L"TestSound.wav";
  DeleteFileW(beside.c_str());
  Click(button.Handle());
  EXPECT_FALSE(button.Down()) << "without the sound nothing plays and the button comes up again";
  ASSERT_TRUE(
      CopyFileW((WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\bin\\TestSound.wav").c_str(), beside.c_str(), FALSE));

  Click(button.Handle());
  ASSERT_TRUE(button.Down());
  ASSERT_TRUE(PumpUntil([&] { return Shown(bar); }, 2000)) << "the level bar follows the sound";
  EXPECT_EQ(std::vector<std::string>{"speakers"}, PlayedSinks());
  EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"sound-test-speaker-page-playing"));
  // Two seconds of sound; then the button comes up by itself.
  ASSERT_TRUE(PumpUntil([&] { return !button.Down(); }, 10000));
  EXPECT_TRUE(PlayedSinks().empty());

  // Pressed again while it plays, it stops the sound and comes up.
  Click(button.Handle());
  ASSERT_TRUE(button.Down());
  PumpUntil([] { return !PlayedSinks().empty(); }, 3000);
  Click(button.Handle());
  EXPECT_FALSE(button.Down());
  EXPECT_TRUE(PlayedSinks().empty());

  // Closing while the sound plays stops it with the window.
  Click(button.Handle());
  ASSERT_TRUE(button.Down());
}

TEST_F(FormVolumeSpeaker, SineMicrophoneBringsTheNoteThatStaysWhenTheSilentOneIsChosen) {
  const int sine = DeviceIndex(L"Microphone"), silent = DeviceIndex(L"Quiet");
  ASSERT_GE(sine, 0);
  ASSERT_GE(silent, 0);
  TForm form(nullptr);
  ShowWindow(form.Handle(), SW_SHOW);
  form.SetSelectedMicrophoneDeviceId(sine);
  SendMessageW(Control(form, {TForm::idPnlSpeakerTest, TForm::idPnlSpeakerBar, TForm::idBtnGotoMicrophoneTest}),
               BM_CLICK, 0, 0);
  ASSERT_TRUE(Shown(Control(form, {TForm::idPnlMicrophoneTest})));
  EXPECT_FALSE(Shown(Control(form, {TForm::idPnlSpeakerTest})));
  EXPECT_EQ(std::vector<std::string>{"microphone"}, RecordedSources());
  int loudest = 0;
  ASSERT_TRUE(PumpUntil(
      [&] {
        loudest = std::max(loudest, MicrophoneBar(form).Position());
        return SuccessShown(form);
      },
      2000))
      << "speech within two seconds";
  EXPECT_GT(loudest, 25);
  EXPECT_FALSE(TipShown(form));
  EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"sound-test-microphone-page-success"));

  // The silent, muted source: the bar comes to rest, the note stays.
  HWND list = Control(form, {TForm::idPnlMicrophoneTest, TForm::idCmbMicrophoneDevices});
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(silent), 0);
  SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(TForm::idCmbMicrophoneDevices, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(std::vector<std::string>{"quiet"}, RecordedSources());
  ASSERT_TRUE(PumpUntil([&] { return MicrophoneBar(form).Position() == 0; }, 3000));
  EXPECT_TRUE(SuccessShown(form));

  // "关闭" stops the recording.
  SendMessageW(Control(form, {TForm::idPnlMicrophoneTest, TForm::idPnlMicrophoneBar, TForm::idBtnClose}), BM_CLICK, 0,
               0);
  EXPECT_TRUE(RecordedSources().empty());
}

TEST_F(FormVolumeSpeaker, SilentMicrophoneKeepsTheTipAndTheTestRestartsOnItsTimer) {
  const int silent = DeviceIndex(L"Quiet");
  TForm form(nullptr);
  form.SetRecordRestartInterval(300);
  ShowWindow(form.Handle(), SW_SHOW);
  form.SetSelectedMicrophoneDeviceId(silent);
  form.btnGotoMicrophoneTestClick();
  // Each restart is a new recording from the same device: the daemon sees a new stream each time.
  const char* const clientStreams = "pactl list short source-outputs | awk '$3 ~ /^[0-9]/ {print $1}'";
  const std::string first = RunHostCommand(clientStreams);
  ASSERT_FALSE(first.empty());
  std::string later;
  ASSERT_TRUE(PumpUntil(
      [&] {
        later = RunHostCommand(clientStreams);
        return !later.empty() && later != first;
      },
      5000));
  EXPECT_EQ(std::vector<std::string>{"quiet"}, RecordedSources());
  EXPECT_EQ(0, MicrophoneBar(form).Position());
  EXPECT_TRUE(TipShown(form));
  EXPECT_FALSE(SuccessShown(form));
  EXPECT_TRUE(SaveWindowScreenshot(form.Handle(), L"sound-test-microphone-page"));
  // Back to the speakers: the recording ends.
  form.btnGotoSpeakerTestClick();
  EXPECT_TRUE(RecordedSources().empty());
  // Closed from its title bar while recording: the window's end stops it.
  form.btnGotoMicrophoneTestClick();
}

TEST_F(FormVolumeSpeaker, TheMainWindowStoresTheChoiceAndHandsItToTheBridge) {
  const int silent = DeviceIndex(L"Quiet");
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, &key, nullptr));
  DWORD stored = 0;
  RegSetValueExW(key, L"MicrophoneDeviceId2", 0, REG_DWORD, reinterpret_cast<BYTE*>(&stored), sizeof stored);
  TFormMainTovlaneClient main;
  main.FormCreate();
  ASSERT_NE(nullptr, main.External());
  EXPECT_EQ(0, main.External()->MicrophoneDeviceId());
  // Inside the window's modal loop: choose the silent device on the microphone page, then "关闭".
  bool closed = false;
  TWhileModal driver([&] {
    HWND window = FindWindowW(kFormVolumeSpeakerClassName, nullptr);
    if (!window || !IsWindowVisible(window)) return false;
    HWND page = GetDlgItem(window, TForm::idPnlMicrophoneTest);
    SendMessageW(GetDlgItem(GetDlgItem(GetDlgItem(window, TForm::idPnlSpeakerTest), TForm::idPnlSpeakerBar),
                            TForm::idBtnGotoMicrophoneTest),
                 BM_CLICK, 0, 0);
    HWND list = GetDlgItem(page, TForm::idCmbMicrophoneDevices);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(silent), 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(TForm::idCmbMicrophoneDevices, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(std::vector<std::string>{"quiet"}, RecordedSources());
    SendMessageW(GetDlgItem(GetDlgItem(page, TForm::idPnlMicrophoneBar), TForm::idBtnClose), BM_CLICK, 0, 0);
    closed = true;
    return true;
  });
  main.btnTestClick();
  EXPECT_TRUE(closed);
  EXPECT_EQ(silent, main.External()->MicrophoneDeviceId());
  DWORD size = sizeof stored;
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExW(key, L"MicrophoneDeviceId2", nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size));
  EXPECT_EQ(static_cast<DWORD>(silent), stored);
  RegCloseKey(key);
  DestroyWindow(main.Handle());
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

namespace {

std::vector<std::wstring> gShown;
int RecordingBox(HWND, const std::wstring& text, UINT) {
  gShown.push_back(text);
  return IDOK;
}

std::wstring TestSoundBeside() {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring beside(program);
  return beside.substr(0, beside.find_last_of(L'\\') + 1) + L"TestSound.wav";
}

MMRESULT WINAPI NoMixerOpens(HMIXER* mixer, UINT, DWORD_PTR, DWORD_PTR, DWORD) {
  *mixer = nullptr;
  return MMSYSERR_NODRIVER;
}
MMRESULT WINAPI NoLineReads(HMIXEROBJ, MIXERLINEW*, DWORD) { return MMSYSERR_INVALHANDLE; }
MMRESULT WINAPI NoControlTakes(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD) { return MIXERR_INVALCONTROL; }

}  // namespace

// The test sound on a device that fails at each step, or from a file that cannot be played: what the pupil is
// shown, the button comes up, the device is closed, and afterwards the window plays as before.
TEST_F(FormVolumeSpeaker, TestSoundThatCannotPlayReleasesTheButtonAndClosesTheDevice) {
  const std::wstring sound = TestSoundBeside();
  const std::string bytes = ReadWholeFile(WindowsPathFromEnv("TOVLANE_BINARY_DIR") + L"\\bin\\TestSound.wav");
  ASSERT_GT(bytes.size(), 1000u);
  WriteWholeFile(sound, bytes);
  const std::wstring noText;
  const struct {
    const char* what;
    TWaveFault fault;
    bool stopWhilePlaying;  // a second click asks the device to stop
    std::wstring shown;
  } deviceCases[] = {
      {"format refused", {wcQuery, WAVERR_BADFORMAT}, false, WaveOutErrorText(WAVERR_BADFORMAT)},
      {"device busy", {wcOpen, MMSYSERR_ALLOCATED}, false, WaveOutErrorText(MMSYSERR_ALLOCATED)},
      {"no memory for a header", {wcPrepare, MMSYSERR_NOMEM}, false, WaveOutErrorText(MMSYSERR_NOMEM)},
      {"device gone on the next buffer", {wcQueue, MMSYSERR_NODRIVER, 1}, false, WaveOutErrorText(MMSYSERR_NODRIVER)},
      {"reset refused", {wcReset, MMSYSERR_NODRIVER}, true, WaveOutErrorText(MMSYSERR_NODRIVER)},
      {"close refused", {wcClose, MMSYSERR_NODRIVER}, false, WaveOutErrorText(MMSYSERR_NODRIVER)},
      {"a header that will not unprepare",
       {wcUnprepare, MMSYSERR_ERROR, 0, 1},
       false,
       WaveOutErrorText(MMSYSERR_ERROR)},
  };
  InstallMessageBox(RecordingBox);
  TForm form(nullptr);
  ShowWindow(form.Handle(), SW_SHOW);
  TImageToggleButton& button = PlayButton(form);
  for (const auto& c : deviceCases) {
    SCOPED_TRACE(c.what);
    gShown.clear();
    TWaveFaults faults(c.fault);
    Click(button.Handle());
    if (c.stopWhilePlaying) Click(button.Handle());
    EXPECT_TRUE(PumpUntil([&] { return !button.Down() && faults.OpenDevices() == 0; }, 10000));
    EXPECT_EQ(std::vector<std::wstring>{c.shown}, gShown);
    EXPECT_GT(faults.Failures(), 0);
  }

  // The file beside the program: locked by another program, cut off in its audio, cut off in its header.
  const struct {
    const char* what;
    size_t keep;  // bytes of the sound left in the file
    bool locked;
    bool shown;  // a text is shown (the file error or the device's text for a refused format)
  } fileCases[] = {
      {"locked", bytes.size(), true, true},
      {"cut off in the audio", bytes.size() / 2, false, false},
      {"cut off in the header", 30, false, true},
  };
  for (const auto& c : fileCases) {
    SCOPED_TRACE(c.what);
    gShown.clear();
    WriteWholeFile(sound, bytes.substr(0, c.keep));
    TFileHandle lock(
        c.locked ? CreateFileW(sound.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                 : INVALID_HANDLE_VALUE);
    TWaveFaults none({0, MMSYSERR_NOERROR});
    Click(button.Handle());
    EXPECT_TRUE(PumpUntil([&] { return !button.Down() && none.OpenDevices() == 0; }, 10000));
    EXPECT_EQ(c.shown ? 1u : 0u, gShown.size());
    if (c.keep == 30) {
      EXPECT_EQ(std::vector<std::wstring>{WaveOutErrorText(WAVERR_BADFORMAT)}, gShown);
    }
  }
  WriteWholeFile(sound, bytes);
  InstallMessageBox(nullptr);

  // Still usable: it plays and stops as before.
  Click(button.Handle());
  ASSERT_TRUE(button.Down());
  ASSERT_TRUE(PumpUntil([] { return !PlayedSinks().empty(); }, 3000));
  Click(button.Handle());
  EXPECT_FALSE(button.Down());
}

// Opening the window without the legacy mixer's lines, without Core Audio or with a recorder that cannot open
// its device: the window opens, shows what the pupil is told, and its pages still turn.
TEST_F(FormVolumeSpeaker, OpensAndTurnsItsPagesWhateverTheDevicesRefuse) {
  const std::wstring unavailable = L"录音设备不可用";
  const struct {
    const char* what;
    void (*fail)(TMixerCalls&, TComCalls&);
    TWaveFault wave;
    int sliders;         // both sliders' opening value
    std::wstring shown;  // when the microphone page is asked for
    bool pageTurns;
    const wchar_t* firstDevice;  // null: the device's own name
  } cases[] = {
      {"no mixer opens",
       [](TMixerCalls& mixer, TComCalls&) { mixer.open = NoMixerOpens; },
       {0, 0},
       100,
       L"",
       true,
       nullptr},
      {"no mixer line reads",
       [](TMixerCalls& mixer, TComCalls&) { mixer.getLineInfo = NoLineReads; },
       {0, 0},
       100,
       L"",
       true,
       nullptr},
      {"no control takes a value",
       [](TMixerCalls& mixer, TComCalls&) { mixer.setControlDetails = NoControlTakes; },
       {0, 0},
       -1,
       L"",
       true,
       nullptr},
      {"no Core Audio",
       [](TMixerCalls&, TComCalls& com) { com.createInstance = NoCoreAudio; },
       {0, 0},
       -1,
       L"",
       true,
       nullptr},
      {"no device answers",
       [](TMixerCalls&, TComCalls&) {},
       {wcDevCaps, MMSYSERR_BADDEVICEID},
       -1,
       unavailable,
       true,
       L"(设备错误)"},
      {"recorder busy",
       [](TMixerCalls&, TComCalls&) {},
       {wcOpen, MMSYSERR_ALLOCATED},
       -1,
       WaveInErrorText(MMSYSERR_ALLOCATED),
       false,
       nullptr},
  };
  InstallMessageBox(RecordingBox);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    gShown.clear();
    const TMixerCalls mixer = MixerCalls;
    const TComCalls com = ComCalls;
    c.fail(MixerCalls, ComCalls);
    {
      TWaveFaults faults(c.wave);
      TForm form(nullptr);
      ShowWindow(form.Handle(), SW_SHOW);
      if (c.sliders >= 0) {
        EXPECT_EQ(c.sliders, SpeakerSlider(form).Value());
        EXPECT_EQ(c.sliders, MicrophoneSlider(form).Value());
      }
      MicrophoneSlider(form).SetValue(60);
      HWND list = Control(form, {TForm::idPnlMicrophoneTest, TForm::idCmbMicrophoneDevices});
      wchar_t name[64] = {};
      SendMessageW(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
      if (c.firstDevice)
        EXPECT_STREQ(c.firstDevice, name);
      else
        EXPECT_STRNE(L"(设备错误)", name);
      SendMessageW(Control(form, {TForm::idPnlSpeakerTest, TForm::idPnlSpeakerBar, TForm::idBtnGotoMicrophoneTest}),
                   BM_CLICK, 0, 0);
      EXPECT_EQ(c.pageTurns, Shown(Control(form, {TForm::idPnlMicrophoneTest})));
      EXPECT_EQ(c.shown.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.shown}, gShown);
      form.btnGotoSpeakerTestClick();
      EXPECT_TRUE(Shown(Control(form, {TForm::idPnlSpeakerTest})));
      EXPECT_EQ(0, faults.OpenDevices());
    }
    MixerCalls = mixer;
    ComCalls = com;
  }
  InstallMessageBox(nullptr);
}
