// The main window driven from outside: its place and controls, resize zones, title double-click, the
// window buttons, and the start-up's registry values, messages and log line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/untClientVersion.h"
#include "base/untGlobal.h"
#include "base/untText.h"
#include "shell/untFormMain.h"
#include "support/http/HttpClient.h"
#include "testkit/ClientDriver.h"
#include "testkit/Screenshot.h"
#include "testkit/WinTestSupport.h"

namespace {

const wchar_t TestPromptText[] = L"为了更好的完成语音跟读作业，下面将协助您进行麦克风录音测试。";
const wchar_t NoMicrophoneText[] =
    L"您的计算机上没有可用的录音设备(麦克风)。如果您无法完成跟读录音的作业，可以选择跳过。";

std::wstring StoredClientId() {
  wchar_t value[256] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Tovlane", L"ClientId", RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS)
    return std::wstring();
  return value;
}

void Click(HWND control) {
  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
}

RECT WorkArea() {
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

RECT WindowBounds(HWND window) {
  RECT bounds;
  GetWindowRect(window, &bounds);
  return bounds;
}

void ExpectBounds(const RECT& expected, HWND window) {
  RECT actual = WindowBounds(window);
  EXPECT_EQ(expected.left, actual.left);
  EXPECT_EQ(expected.top, actual.top);
  EXPECT_EQ(expected.right, actual.right);
  EXPECT_EQ(expected.bottom, actual.bottom);
}

// While it lives, programs started find no sound system at all, as with the sound daemon stopped: Wine's audio
// device layer is given a driver list that names no existing driver (ALSA would otherwise stand in for the daemon).
class TWithoutAudioDrivers {
 public:
  TWithoutAudioDrivers() {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Drivers", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    fKey.Receive(), nullptr);
    const wchar_t none[] = L"none";
    RegSetValueExW(fKey.Get(), L"Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(none), sizeof(none));
  }
  TWithoutAudioDrivers(const TWithoutAudioDrivers&) = delete;
  TWithoutAudioDrivers& operator=(const TWithoutAudioDrivers&) = delete;
  ~TWithoutAudioDrivers() { RegDeleteValueW(fKey.Get(), L"Audio"); }

 private:
  TRegKeyHandle fKey;
};

}  // namespace

TEST(MainWindow, FillsTheWorkAreaWithEveryTitleControlAndClosesWithExitCodeZero) {
  ResetClientRegistry(true);
  TClient client;
  ASSERT_TRUE(client.Started());
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  EXPECT_TRUE(client.AnswerMessages(L"main-window-start-message").empty()) << "a stored microphone asks nothing";

  EXPECT_EQ(0, GetWindowLongW(form, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  EXPECT_EQ(L"Tovlane", WindowText(form));
  ExpectBounds(WorkArea(), form);
  HWND title = GetDlgItem(form, idPnlTitle);
  RECT panel;
  GetClientRect(title, &panel);
  EXPECT_EQ(WorkArea().right - WorkArea().left, panel.right);
  EXPECT_EQ(36, panel.bottom);
  struct {
    UINT_PTR id;
    const wchar_t* text;
  } texts[] = {{idBtnGoHome, L"首页"},
               {idBtnRefresh, L"刷新"},
               {idBtnTest, L"声音和麦克风录音测试"},
               {idBtnTool, L"工具"},
               {idLblVersion, L"版本: " TOVLANE_VERSION_TEXT}};
  for (const auto& control : texts) {
    HWND window = GetDlgItem(title, static_cast<int>(control.id));
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(control.text, WindowText(window));
    EXPECT_TRUE(IsWindowVisible(window));
  }
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(title, idLblRecordFailedTip)));
  for (UINT_PTR id : {idImg1, idBtnMin, idBtnMax, idBtnClose})
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(title, static_cast<int>(id)))) << id;
  EXPECT_TRUE(SaveWindowScreenshot(form, L"main-window"));

  Click(GetDlgItem(title, idBtnClose));
  DWORD exitCode = 1;
  ASSERT_TRUE(client.WaitForExit(20000, exitCode));
  EXPECT_EQ(0u, exitCode);
}

TEST(MainWindow, EdgesResizeAndTheTitleRestoresAndFillsAgain) {
  ResetClientRegistry(true);
  TClient client;
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  client.AnswerMessages(L"main-window-resize-message");

  const RECT r = WindowBounds(form);
  const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
  struct {
    int x, y;
    LRESULT expected;
  } probes[] = {{r.left + 2, r.top + 2, HTTOPLEFT},
                {r.right - 3, r.top + 2, HTTOPRIGHT},
                {r.left + 2, r.bottom - 3, HTBOTTOMLEFT},
                {r.right - 3, r.bottom - 3, HTBOTTOMRIGHT},
                {r.left + 9, midY, HTLEFT},
                {r.right - 9, midY, HTRIGHT},
                {midX, r.top + 9, HTTOP},
                {midX, r.bottom - 9, HTBOTTOM},
                {r.left + 10, midY, HTCLIENT},
                {r.right - 10, midY, HTCLIENT},
                {midX, r.bottom - 10, HTCLIENT}};
  for (const auto& probe : probes)
    EXPECT_EQ(probe.expected, SendMessageW(form, WM_NCHITTEST, 0, MAKELPARAM(probe.x, probe.y)))
        << probe.x - r.left << "," << probe.y - r.top;

  HWND title = GetDlgItem(form, idPnlTitle);
  const RECT work = WorkArea();
  const int w8 = (work.right - work.left) / 8, h8 = (work.bottom - work.top) / 8;
  // The controls marked right keep their distance from the window's right edge.
  const UINT_PTR rightAnchored[] = {idBtnTool, idLblVersion, idBtnMin, idBtnMax, idBtnClose};
  auto distance = [&](UINT_PTR id) {
    return WindowBounds(form).right - WindowBounds(GetDlgItem(title, static_cast<int>(id))).left;
  };
  std::vector<LONG> distances;
  for (UINT_PTR id : rightAnchored) distances.push_back(distance(id));
  SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 20));
  ExpectBounds(RECT{w8, h8, w8 * 7, h8 * 7}, form);
  for (size_t i = 0; i < distances.size(); ++i) EXPECT_EQ(distances[i], distance(rightAnchored[i])) << rightAnchored[i];
  EXPECT_TRUE(SaveWindowScreenshot(form, L"main-window-restored"));
  SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 20));
  ExpectBounds(work, form);

  Click(GetDlgItem(title, idBtnMax));
  ExpectBounds(RECT{w8, h8, w8 * 7, h8 * 7}, form);
  Click(GetDlgItem(title, idBtnMax));
  ExpectBounds(work, form);

  Click(GetDlgItem(title, idBtnMin));
  for (DWORD start = GetTickCount(); !IsIconic(form) && GetTickCount() - start < 5000;) Sleep(20);
  EXPECT_TRUE(IsIconic(form));
  PostMessageW(form, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  ASSERT_TRUE(client.WaitForExit(20000, exitCode));
  EXPECT_EQ(0u, exitCode);
}

TEST(MainWindow, FirstStartMakesTheClientIdOnceAndOffersTheMicrophoneTest) {
  ResetClientRegistry(false);
  std::wstring clientId;
  {
    TClient client;
    ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
    const auto messages = client.AnswerMessages(L"main-window-first-start");
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(TestPromptText, messages[0]);
    clientId = StoredClientId();
    ASSERT_EQ(32u, clientId.size());
    for (wchar_t c : clientId) EXPECT_TRUE((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')) << c;
    bool flashLine = false;
    for (const auto& line : LogLines()) {
      const std::string message = " Current flash version: 0.0";
      if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0)
        flashLine = true;
    }
    EXPECT_TRUE(flashLine) << "no Flash player here";
  }
  TClient again;
  ASSERT_NE(nullptr, WaitForProcessWindow(again.Id(), kFormMainClassName, 30000));
  again.AnswerMessages(L"main-window-second-start");
  EXPECT_EQ(clientId, StoredClientId());
}

TEST(MainWindow, AClientIdOfAnotherTypeIsReplacedAndItsTypeLogged) {
  ResetClientRegistry(true);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, KEY_SET_VALUE, &key));
  const DWORD number = 7;
  RegSetValueExW(key, L"ClientId", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  RegCloseKey(key);
  TClient client;
  ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
  EXPECT_EQ(32u, StoredClientId().size());
  bool logged = false;
  for (const auto& line : LogLines())
    logged = logged || line.find(" PrepareEnvironmentInfo ClientId of registry type 4 replaced") != std::string::npos;
  EXPECT_TRUE(logged);
}

TEST(MainWindow, WithoutRecordingDevicesOnlyTheWarningIsShown) {
  ResetClientRegistry(true);
  // Any stored identifier stays, whatever its length.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, KEY_SET_VALUE, &key));
  const wchar_t shortId[] = L"abc";
  RegSetValueExW(key, L"ClientId", 0, REG_SZ, reinterpret_cast<const BYTE*>(shortId), sizeof(shortId));
  RegCloseKey(key);
  TWithoutAudioDrivers noDrivers;
  TClient client;
  ASSERT_NE(nullptr, WaitForProcessWindow(client.Id(), kFormMainClassName, 30000));
  const auto messages = client.AnswerMessages(L"main-window-no-microphone");
  ASSERT_EQ(1u, messages.size());
  EXPECT_EQ(NoMicrophoneText, messages[0]);
  EXPECT_EQ(L"abc", StoredClientId());
}

namespace {

std::string Server() {
  const char* address = std::getenv("TOVLANE_SERVER");
  return address ? address : "http://127.0.0.1:9";
}

// How many requests the platform test server has had for path (with its query).
int RequestCount(const std::string& path) {
  THttpClient http;
  TMemoryStream body;
  http.Get(Server() + "/counts?path=" + path, body);
  return std::atoi(std::string(reinterpret_cast<char*>(body.Memory()), size_t(body.Size())).c_str());
}

// Polls what the client does in its own time; the bound only keeps a fault from hanging the run.
bool Eventually(const std::function<bool()>& done) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(50))
    if (done()) return true;
  return false;
}

bool LogHasLineEndingWith(const std::string& message) {
  for (const auto& line : LogLines())
    if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0)
      return true;
  return false;
}

// The client's settings file beside it, with the home address; removed with the object.
class TSettingsFile {
 public:
  explicit TSettingsFile(const std::wstring& mainSiteUrl) : fPath(ClientExe() + L".ini") {
    WritePrivateProfileStringW(L"Debug", L"MainSiteUrl", mainSiteUrl.c_str(), fPath.c_str());
  }
  TSettingsFile(const TSettingsFile&) = delete;
  TSettingsFile& operator=(const TSettingsFile&) = delete;
  ~TSettingsFile() { DeleteFileW(fPath.c_str()); }

 private:
  std::wstring fPath;
};

// The control's window in the client area of the form.
RECT BrowserPlace(HWND form) {
  HWND browser = FindWindowExW(form, nullptr, L"Shell Embedding", nullptr);
  RECT place = {};
  if (!browser) return place;
  GetWindowRect(browser, &place);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

void ExpectBrowserUnderTheTitle(HWND form) {
  RECT client;
  GetClientRect(form, &client);
  const RECT place = BrowserPlace(form);
  EXPECT_EQ(10, place.left);
  EXPECT_EQ(36, place.top);
  EXPECT_EQ(client.right - 10, place.right);
  EXPECT_EQ(client.bottom - 10, place.bottom);
}

bool StoredLoginExists() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  const bool exists =
      RegQueryValueExW(key, L"LastStudentUserName", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS ||
      RegQueryValueExW(key, L"LastStudentPassword", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return exists;
}

}  // namespace

TEST(MainWindow, BrowserFollowsTheWindowOpensTheAddressGoesHomeAndDeletesTheLoginOnASubmissionWithoutBody) {
  ResetClientRegistry(true);
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, KEY_SET_VALUE, &key));
  const wchar_t user[] = L"3001", password[] = L"OTqKG9FAa12ubQno";
  RegSetValueExW(key, L"LastStudentUserName", 0, REG_SZ, reinterpret_cast<const BYTE*>(user), sizeof(user));
  RegSetValueExW(key, L"LastStudentPassword", 0, REG_SZ, reinterpret_cast<const BYTE*>(password), sizeof(password));
  RegCloseKey(key);
  TSettingsFile settings(AnsiToWide(Server()) + L"/home-page");
  // Wine raises BeforeNavigate2 for the login address also without a form body.
  const std::string first = "/j_spring_security_check?from=open-url";
  TClient client(L"--open-url " + AnsiToWide(Server() + first));
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  client.AnswerMessages(L"main-window-browser-message");

  EXPECT_TRUE(LogHasLineEndingWith(" Use UserAgent: " + WideToAnsi(GetSystemUserAgent()) + " TovlaneBrowser"));
  EXPECT_TRUE(Eventually([&] { return RequestCount(first) == 1; })) << "the --open-url address is opened";
  EXPECT_TRUE(Eventually([] { return !StoredLoginExists(); })) << "the stored pair is deleted";

  ExpectBrowserUnderTheTitle(form);
  EXPECT_TRUE(SaveWindowScreenshot(form, L"main-window-browser"));
  HWND title = GetDlgItem(form, idPnlTitle);
  SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 20));
  ExpectBrowserUnderTheTitle(form);
  SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 20));
  ExpectBrowserUnderTheTitle(form);

  Click(GetDlgItem(title, idBtnGoHome));
  EXPECT_TRUE(Eventually([] { return RequestCount("/home-page") == 1; })) << "home is the settings' address";
  // Wine's control answers Refresh with E_FAIL (it has no document); Windows reloads the page.
  Click(GetDlgItem(title, idBtnRefresh));
  EXPECT_TRUE(Eventually([] {
    return RequestCount("/home-page") == 2 || LogHasLineEndingWith(" btnRefreshClick, Refresh failed: 0x80004005");
  }));

  client.ExpectCleanExitAfterClose(form);
}

TEST(MainWindow, AnOpenUrlOfBlanksStaysOnTheBlankPage) {
  ResetClientRegistry(true);
  TSettingsFile settings(AnsiToWide(Server()) + L"/home-for-blanks");
  TClient client(L"--open-url \"   \"");
  HWND form = WaitForProcessWindow(client.Id(), kFormMainClassName, 30000);
  ASSERT_NE(nullptr, form);
  client.AnswerMessages(L"main-window-blank-message");
  client.ExpectCleanExitAfterClose(form);
  EXPECT_EQ(0, RequestCount("/home-for-blanks")) << "blanks are not replaced by the home address";
}
