#include "testkit/WinTestSupport.h"

#include <cstdlib>
#include <utility>

namespace {

std::wstring WindowsPathOf(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* c = unixPath; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

}  // namespace

std::wstring WindowsPathFromEnv(const char* name) {
  const char* value = std::getenv(name);
  return WindowsPathOf(value ? value : "");
}

std::wstring BuildFolder() {
  const char* value = std::getenv("TOVLANE_BINARY_DIR");
  return WindowsPathOf(value ? value : TOVLANE_BUILD_FOLDER);
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
  fJob.Reset(CreateJobObjectW(nullptr, nullptr));
  if (!fJob || !CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               nullptr, &startup, &process))
    return;
  AssignProcessToJobObject(fJob.Get(), process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  fProcess.Reset(process.hProcess);
  fId = process.dwProcessId;
}

TProcess::~TProcess() {
  // What a program that ended by itself started is left running: a client ends once it has started its setup.
  if (fProcess && WaitForSingleObject(fProcess.Get(), 0) == WAIT_TIMEOUT) {
    TerminateJobObject(fJob.Get(), 1);
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
TWhileModal* gWhileModal = nullptr;
}  // namespace

TWhileModal::TWhileModal(std::function<bool()> step, UINT intervalMs) : fStep(std::move(step)) {
  gWhileModal = this;
  fTimer = SetTimer(nullptr, 0, intervalMs, Tick);
}

TWhileModal::~TWhileModal() {
  if (fTimer) KillTimer(nullptr, fTimer);
  gWhileModal = nullptr;
}

void CALLBACK TWhileModal::Tick(HWND, UINT, UINT_PTR, DWORD) {
  TWhileModal* self = gWhileModal;
  if (!self || !self->fTimer) return;
  // The step may pump messages itself; this tick must not run it again meanwhile.
  const UINT_PTR timer = std::exchange(self->fTimer, 0);
  bool done = false;
  try {
    done = self->fStep();
  } catch (...) {
    done = true;
  }
  if (done)
    KillTimer(nullptr, timer);
  else
    self->fTimer = timer;
}

std::string RunHostCommand(const std::string& command, DWORD timeoutMs) {
  static int runs = 0;
  const char* folder = getenv("TOVLANE_BINARY_DIR");
  if (!folder) return std::string();
  const std::string output = std::string(folder) + "/host-command-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++runs) + ".txt";
  const std::string line =
      "/bin/sh -c \"(" + command + ") >'" + output + ".part' 2>&1; mv '" + output + ".part' '" + output + "'\"";
  std::wstring wide(line.begin(), line.end());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(L"Z:\\bin\\sh", &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return std::string();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::wstring windowsPath = L"Z:" + std::wstring(output.begin(), output.end());
  for (wchar_t& c : windowsPath)
    if (c == L'/') c = L'\\';
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
    if (GetFileAttributesW(windowsPath.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    std::string text = ReadWholeFile(windowsPath);
    DeleteFileW(windowsPath.c_str());
    return text;
  }
  return std::string();
}

namespace {

struct TFindWindow {
  DWORD processId;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK FindProcessWindowStep(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TFindWindow*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  if (owner != search->processId || lstrcmpW(name, search->className) != 0 || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const wchar_t* className) {
  TFindWindow search = {processId, className, nullptr};
  EnumWindows(FindProcessWindowStep, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForProcessWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
    if (HWND window = FindProcessWindow(processId, className)) return window;
  return nullptr;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  // Across processes only WM_GETTEXT reads a control's text.
  SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}
