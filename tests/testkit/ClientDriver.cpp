#include "testkit/ClientDriver.h"

#include "testkit/Screenshot.h"

namespace {

struct TFindWindow {
  DWORD processId;
  const wchar_t* className;
  HWND found;
};

std::wstring ClientSettingsFile() { return ClientExe() + L".ini"; }

}  // namespace

void ResetClientRegistry(bool storeMicrophone) {
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tovlane");
  if (!storeMicrophone) return;
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tovlane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  DWORD device = 0;
  RegSetValueExW(key, L"MicrophoneDeviceId2", 0, REG_DWORD, reinterpret_cast<BYTE*>(&device), sizeof(device));
  RegCloseKey(key);
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className) {
  TFindWindow search = {processId, className, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* search = reinterpret_cast<TFindWindow*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64];
        GetClassNameW(window, name, 64);
        if (owner != search->processId || lstrcmpW(name, search->className) != 0 || !IsWindowVisible(window))
          return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
    if (HWND window = FindProcessWindow(processId, className)) return window;
  return nullptr;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

std::vector<std::wstring> TClient::AnswerMessages(const std::wstring& screenshotName) {
  std::vector<std::wstring> texts;
  while (HWND box = WaitForProcessWindow(Id(), L"#32770", 3000)) {
    texts.push_back(WindowText(GetDlgItem(box, 0xFFFF)));
    SaveWindowScreenshot(box, screenshotName + L"-" + std::to_wstring(texts.size()));
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < 5000;) Sleep(20);
  }
  return texts;
}

TClientSettings::TClientSettings(const std::map<std::wstring, std::wstring>& debugSettings) {
  for (const auto& [key, value] : debugSettings)
    WritePrivateProfileStringW(L"Debug", key.c_str(), value.c_str(), ClientSettingsFile().c_str());
}

TClientSettings::~TClientSettings() { DeleteFileW(ClientSettingsFile().c_str()); }
