#pragma once
// What the Windows tests share: paths handed over by the test environment, files, the log, processes.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/untHandle.h"

// An environment variable holding a Unix path, as a Windows path (Wine maps "/" to drive Z:).
std::wstring WindowsPathFromEnv(const char* name);
// The client executable under test.
std::wstring ClientExe();
// The platform test server's address (TOVLANE_SERVER) followed by path.
std::wstring ServerUrl(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
std::vector<std::string> SplitLines(const std::string& text);  // lines ended by CR LF
// The lines of "TovlaneClient.log" in the temporary folder, which this process and the client share.
std::vector<std::string> LogLines();

// One run of a program started by a test; ended at the latest when the object goes.
class TProcess {
 public:
  TProcess(const std::wstring& program, const std::wstring& arguments);
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;
  ~TProcess();

  bool Started() const { return fProcess.Valid(); }
  DWORD Id() const { return fId; }
  // Waits for the end of the process; false when it still runs after timeoutMs.
  bool WaitForExit(DWORD timeoutMs, DWORD& exitCode) const;

 private:
  TKernelHandle fProcess;
  DWORD fId = 0;
};

struct TProcessResult {
  bool finished = false;
  DWORD exitCode = 0;
};
// Starts the program with the arguments and waits up to timeoutMs for it to end (killing it then).
TProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs);

// Dispatches the thread's messages until done() holds; what makes it hold must come with a message.
void PumpMessagesUntil(const std::function<bool()>& done);

// Runs step on this thread at every tick of a short timer, also from inside a modal loop, until it returns true.
// One at a time.
class TModalSteps {
 public:
  explicit TModalSteps(std::function<bool()> step);
  ~TModalSteps();
  TModalSteps(const TModalSteps&) = delete;
  TModalSteps& operator=(const TModalSteps&) = delete;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  UINT_PTR fTimer = 0;
};
