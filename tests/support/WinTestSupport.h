#pragma once
// What the Windows tests share: paths handed over by the test environment, files, processes.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// An environment variable holding a Unix path, as a Windows path (Wine maps "/" to drive Z:).
std::wstring WindowsPathFromEnv(const char* name);
std::string ReadWholeFile(const std::wstring& path);
void WriteWholeFile(const std::wstring& path, const std::string& bytes);
std::vector<std::string> SplitLines(const std::string& text);  // lines ended by CR LF

struct TProcessResult {
  bool finished = false;
  DWORD exitCode = 0;
};
// Starts the program with the arguments and waits up to timeoutMs for it to end (killing it then).
TProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs);

// Dispatches the thread's messages until done() holds; what makes it hold must come with a message.
void PumpMessagesUntil(const std::function<bool()>& done);
