#pragma once
// Driving the client executable from outside: its registry key, its windows and message boxes, its settings file.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "testkit/WinTestSupport.h"

// The client's key, emptied, with the microphone choice stored (so that no test prompt comes) or not.
void ResetClientRegistry(bool storeMicrophone);

// One run of the client in its main window mode; ended at the latest when the object goes.
class TClient : public TProcess {
 public:
  explicit TClient(const std::wstring& arguments = L"", const std::wstring& program = ClientExe())
      : TProcess(program, arguments) {}
  // Closes the form as the system would and expects the process to end cleanly.
  void ExpectCleanExitAfterClose(HWND form);
  // The message boxes, each saved as a screenshot and answered, until none comes for a while.
  std::vector<std::wstring> AnswerMessages(const std::wstring& screenshotName);
};

// "<client>.ini" with section "Debug" holding the settings while the object lives.
class TClientSettings {
 public:
  explicit TClientSettings(const std::map<std::wstring, std::wstring>& debugSettings,
                           const std::wstring& client = ClientExe());
  ~TClientSettings();
  TClientSettings(const TClientSettings&) = delete;
  TClientSettings& operator=(const TClientSettings&) = delete;

 private:
  std::wstring fFileName;
};
