// The start-up's microphone offer and the sound test window, driven from outside: the prompt, the window, the
// choice stored in "MicrophoneDeviceId2" whenever the window closes, and the stored values that count as none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/untFormVolumeSpeaker.h"
#include "shell/untFormMain.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"

namespace {

const wchar_t kPrompt[] = L"为了更好的完成语音跟读作业，下面将协助您进行麦克风录音测试。";
const wchar_t kKey[] = L"Software\\Tovlane";

void StoreMicrophone(DWORD type, const void* data, DWORD size) {
  RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
  if (!data) return;
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExW(key, L"MicrophoneDeviceId2", 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

bool StoredMicrophone(DWORD& id) {
  DWORD size = sizeof id;
  return RegGetValueW(HKEY_CURRENT_USER, kKey, L"MicrophoneDeviceId2", RRF_RT_REG_DWORD, nullptr, &id, &size) ==
         ERROR_SUCCESS;
}

// One start of the client: the message boxes it shows before the sound test window (answered), and that window.
struct TStart {
  std::vector<std::wstring> messages;
  HWND soundTest = nullptr;
};

TStart StartUntilSettled(const TProcess& client, const std::wstring& screenshot) {
  TStart start;
  EXPECT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
  for (;;) {
    HWND box = nullptr, window = nullptr;
    for (DWORD begin = GetTickCount(); GetTickCount() - begin < 3000 && !box && !window; Sleep(50)) {
      box = FindProcessWindow(client.Id(), L"#32770");
      window = FindProcessWindow(client.Id(), kFormVolumeSpeakerClassName);
    }
    if (box) {
      start.messages.push_back(WindowText(GetDlgItem(box, 0xFFFF)));
      SendMessageW(box, WM_COMMAND, IDOK, 0);
      for (DWORD begin = GetTickCount(); IsWindow(box) && GetTickCount() - begin < 5000;) Sleep(20);
      continue;
    }
    start.soundTest = window;
    if (window) SaveWindowScreenshot(window, screenshot);
    return start;
  }
}

HWND Nested(HWND window, std::initializer_list<UINT_PTR> path) {
  for (UINT_PTR id : path) window = GetDlgItem(window, static_cast<int>(id));
  return window;
}

void ExpectWindowAgainFor(DWORD type, const void* data, DWORD size, const char* what) {
  StoreMicrophone(type, data, size);
  TProcess client(ClientExe(), L"");
  const TStart start = StartUntilSettled(client, L"sound-test-again");
  EXPECT_EQ(std::vector<std::wstring>{kPrompt}, start.messages) << what;
  ASSERT_NE(nullptr, start.soundTest) << what;
  // Closed from its title bar: the selection is stored all the same.
  PostMessageW(start.soundTest, WM_CLOSE, 0, 0);
  DWORD id = 99;
  for (DWORD begin = GetTickCount(); !(StoredMicrophone(id) && id == 0) && GetTickCount() - begin < 10000;) Sleep(50);
  EXPECT_EQ(0u, id) << what;
}

}  // namespace

TEST(SoundTest, FirstStartOffersTheTestAndTheChoiceIsKeptForTheNextStart) {
  StoreMicrophone(REG_DWORD, nullptr, 0);
  const DWORD devices = waveInGetNumDevs();
  ASSERT_GE(devices, 2u);
  {
    TProcess client(ClientExe(), L"");
    const TStart start = StartUntilSettled(client, L"sound-test-speaker-page-at-start");
    EXPECT_EQ(std::vector<std::wstring>{kPrompt}, start.messages);
    ASSERT_NE(nullptr, start.soundTest);
    EXPECT_EQ(L"调整音量和麦克风", WindowText(start.soundTest));
    RECT client_area;
    GetClientRect(start.soundTest, &client_area);
    EXPECT_EQ(568, client_area.right);
    EXPECT_EQ(434, client_area.bottom);

    // The last device on the microphone page, then "关闭".
    SendMessageW(Nested(start.soundTest, {TFormVolumeSpeaker::idPnlSpeakerTest, TFormVolumeSpeaker::idPnlSpeakerBar,
                                          TFormVolumeSpeaker::idBtnGotoMicrophoneTest}),
                 BM_CLICK, 0, 0);
    HWND list =
        Nested(start.soundTest, {TFormVolumeSpeaker::idPnlMicrophoneTest, TFormVolumeSpeaker::idCmbMicrophoneDevices});
    EXPECT_EQ(static_cast<LRESULT>(devices), SendMessageW(list, CB_GETCOUNT, 0, 0));
    SendMessageW(list, CB_SETCURSEL, devices - 1, 0);
    SendMessageW(start.soundTest, WM_COMMAND, MAKEWPARAM(TFormVolumeSpeaker::idCmbMicrophoneDevices, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    SaveWindowScreenshot(start.soundTest, L"sound-test-microphone-page-at-start");
    SendMessageW(Nested(start.soundTest, {TFormVolumeSpeaker::idPnlMicrophoneTest,
                                          TFormVolumeSpeaker::idPnlMicrophoneBar, TFormVolumeSpeaker::idBtnClose}),
                 BM_CLICK, 0, 0);
    DWORD id = 0;
    for (DWORD begin = GetTickCount(); !StoredMicrophone(id) && GetTickCount() - begin < 10000;) Sleep(50);
    EXPECT_EQ(devices - 1, id);
    EXPECT_EQ(nullptr, FindProcessWindow(client.Id(), kFormVolumeSpeakerClassName));
    bool handedOver = false;
    for (const auto& line : LogLines())
      handedOver |= line.find("btnTestClick, MicrophoneDeviceId2: " + std::to_string(devices - 1)) != std::string::npos;
    EXPECT_TRUE(handedOver);
  }
  TProcess again(ClientExe(), L"");
  const TStart start = StartUntilSettled(again, L"sound-test-not-again");
  EXPECT_TRUE(start.messages.empty());
  EXPECT_EQ(nullptr, start.soundTest);
}

TEST(SoundTest, StoredValuesThatNameNoDeviceBringTheWindowAgain) {
  const DWORD beyond = waveInGetNumDevs();
  ExpectWindowAgainFor(REG_DWORD, &beyond, sizeof beyond, "the number of devices");
  const DWORD negative = 0xFFFFFFFF;
  ExpectWindowAgainFor(REG_DWORD, &negative, sizeof negative, "-1");
  const wchar_t text[] = L"1";
  ExpectWindowAgainFor(REG_SZ, text, sizeof text, "a text");
}
