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
// The test build's folder (TOVLANE_BINARY_DIR); for a test started by hand without it, the folder the test was
// built in.
std::wstring BuildFolder();
// The client executable under test.
std::wstring ClientExe();
// The platform test server's address (TOVLANE_SERVER) followed by path.
std::wstring ServerUrl(const std::wstring& path);
std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
std::vector<std::string> SplitLines(const std::string& text);  // lines ended by CR LF
// The lines of "TovlaneClient.log" in the temporary folder, which this process and the client share.
std::vector<std::string> LogLines();

// One run of a program started by a test; ended at the latest when the object goes, together with every process
// it started, so that a program that hangs fails its test and holds nothing of the test run.
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
  TKernelHandle fJob;  // the program and what it starts
  TKernelHandle fProcess;
  DWORD fId = 0;
};

struct TProcessResult {
  bool finished = false;
  DWORD exitCode = 0;
};
// Starts the program with the arguments and waits up to timeoutMs for it to end (killing it then).
TProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs);

// A visible top-level window of that process and window class, or null; the same, waited for up to timeoutMs.
HWND FindProcessWindow(DWORD processId, const wchar_t* className);
HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs);
// A window's text, also across processes.
std::wstring WindowText(HWND window);

// Dispatches the thread's messages until done() holds; what makes it hold must come with a message.
void PumpMessagesUntil(const std::function<bool()>& done);

// Runs step on this thread's message loop every intervalMs, also inside the modal loops of the code under test,
// until it returns true or the object goes. One at a time.
class TWhileModal {
 public:
  explicit TWhileModal(std::function<bool()> step, UINT intervalMs = 50);
  TWhileModal(const TWhileModal&) = delete;
  TWhileModal& operator=(const TWhileModal&) = delete;
  ~TWhileModal();

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::function<bool()> fStep;
  UINT_PTR fTimer = 0;
};

// Runs a command of the host system (not Windows) through its shell and returns what it printed; empty when it
// did not finish within timeoutMs. Wine starts such programs but cannot wait for them, so the output file is
// moved into place when the command has ended.
std::string RunHostCommand(const std::string& command, DWORD timeoutMs = 10000);
