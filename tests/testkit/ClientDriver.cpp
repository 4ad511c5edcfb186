#include "testkit/ClientDriver.h"

#include <gtest/gtest.h>

#include "testkit/Screenshot.h"

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

void TClient::ExpectCleanExitAfterClose(HWND form) {
  PostMessageW(form, WM_CLOSE, 0, 0);
  DWORD exitCode = 1;
  ASSERT_TRUE(WaitForExit(20000, exitCode));
  EXPECT_EQ(0u, exitCode);
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

TClientSettings::TClientSettings(const std::map<std::wstring, std::wstring>& debugSettings, const std::wstring& client)
    : fFileName(client + L".ini") {
  for (const auto& [key, value] : debugSettings)
    WritePrivateProfileStringW(L"Debug", key.c_str(), value.c_str(), fFileName.c_str());
}

TClientSettings::~TClientSettings() { DeleteFileW(fFileName.c_str()); }
