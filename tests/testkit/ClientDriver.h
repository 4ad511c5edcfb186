#pragma once
// Driving the client executable from outside: its registry key, its windows and message boxes, its settings file.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "testkit/WinTestSupport.h"

// The client's key, emptied, with the microphone choice stored (so that no test prompt comes) or not.
void ResetClientRegistry(bool storeMicrophone);

// A visible top-level window of the class in the process, or nullptr.
HWND FindProcessWindow(DWORD processId, const wchar_t* className);
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs);
// Across processes only WM_GETTEXT reads a control's text.
std::wstring WindowText(HWND window);

// One run of the client in its main window mode; ended at the latest when the object goes.
class TClient : public TProcess {
 public:
  TClient() : TProcess(ClientExe(), L"") {}
  // The message boxes, each saved as a screenshot and answered, until none comes for a while.
  std::vector<std::wstring> AnswerMessages(const std::wstring& screenshotName);
};

// "<client>.ini" with section "Debug" holding the settings while the object lives.
class TClientSettings {
 public:
  explicit TClientSettings(const std::map<std::wstring, std::wstring>& debugSettings);
  ~TClientSettings();
  TClientSettings(const TClientSettings&) = delete;
  TClientSettings& operator=(const TClientSettings&) = delete;
};
