#include "testkit/WinTestSupport.h"

#include <cstdlib>

std::wstring WindowsPathFromEnv(const char* name) {
  const char* value = std::getenv(name);
  std::wstring path = L"Z:";
  for (const char* c = value ? value : ""; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

std::wstring ClientExe() { return WindowsPathFromEnv("TOVLANE_CLIENT_EXE"); }

std::wstring ServerUrl(const std::wstring& path) {
  const char* server = std::getenv("TOVLANE_SERVER");
  const std::string address = server ? server : "";
  return std::wstring(address.begin(), address.end()) + path;
}

std::string ReadWholeFile(const std::wstring& path) {
  const TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  const TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (file) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::vector<std::string> LogLines() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, temp);
  return SplitLines(ReadWholeFile(std::wstring(temp) + L"TovlaneClient.log"));
}

TProcess::TProcess(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return;
  CloseHandle(process.hThread);
  fProcess.Reset(process.hProcess);
  fId = process.dwProcessId;
}

TProcess::~TProcess() {
  if (fProcess && WaitForSingleObject(fProcess.Get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(fProcess.Get(), 1);
    WaitForSingleObject(fProcess.Get(), 5000);
  }
}

bool TProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) const {
  if (!fProcess || WaitForSingleObject(fProcess.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(fProcess.Get(), &exitCode);
  return true;
}

TProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs) {
  const TProcess process(program, arguments);
  TProcessResult result;
  result.finished = process.WaitForExit(timeoutMs, result.exitCode);
  return result;
}

void PumpMessagesUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done() && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

namespace {
std::function<bool()>& CurrentModalStep() {
  static std::function<bool()> step;
  return step;
}
}  // namespace

TModalSteps::TModalSteps(std::function<bool()> step) {
  CurrentModalStep() = std::move(step);
  fTimer = SetTimer(nullptr, 0, 10, Tick);
}

TModalSteps::~TModalSteps() {
  KillTimer(nullptr, fTimer);
  CurrentModalStep() = nullptr;
}

// The step may pump messages itself (a screenshot does): it is taken out while it runs.
void CALLBACK TModalSteps::Tick(HWND, UINT, UINT_PTR, DWORD) {
  std::function<bool()> step = std::move(CurrentModalStep());
  CurrentModalStep() = nullptr;
  if (step && !step()) CurrentModalStep() = std::move(step);
}
