#include "base/untGlobal.h"

#include <shellapi.h>
#include <shlobj.h>
#include <urlmon.h>

#include <memory>

#include "base/untHandle.h"
#include "base/untKormRandom.h"
#include "base/untText.h"

namespace {

// Plain storage that no static destructor takes away: workers that end after the main function still log.
wchar_t gLogFileName[MAX_PATH + 32] = L"";

// Made on first use and never destroyed, so that a line logged before InitGlobal or after the main function
// has returned still finds it.
CRITICAL_SECTION& LogLock() {
  static CRITICAL_SECTION* const lock = [] {
    auto* section = new CRITICAL_SECTION;
    InitializeCriticalSection(section);
    return section;
  }();
  return *lock;
}

std::unique_ptr<TKormRandom> gGlobalRandom;

std::wstring FormatNow(bool date) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[128];
  int length = date ? GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, text, 128)
                    : GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, 128);
  return length > 0 ? std::wstring(text, length - 1) : std::wstring();
}

}  // namespace

void InitGlobal() {
  wchar_t tempPath[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH, tempPath);
  const std::wstring name =
      (length > 0 && length < MAX_PATH ? std::wstring(tempPath, length) : std::wstring()) + L"TovlaneClient.log";
  name.copy(gLogFileName, name.size());
  gLogFileName[name.size()] = L'\0';
  DeleteFileW(gLogFileName);
  gGlobalRandom = std::make_unique<TKormRandom>();
}

std::wstring LogFileName() { return gLogFileName; }

void WriteLog(const std::wstring& message) {
  EnterCriticalSection(&LogLock());
  try {
    AppendLineToFile(gLogFileName, FormatNow(true) + L' ' + FormatNow(false) + L' ' + message);
  } catch (...) {
    // A line that cannot even be formatted is lost; the caller never hears of it.
  }
  LeaveCriticalSection(&LogLock());
}

void EndProcess(int exitCode) {
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
  // Not reached; should the system refuse, the process ends the usual way.
  ExitProcess(static_cast<UINT>(exitCode));
}

bool AppendLineToFile(const std::wstring& path, const std::wstring& line) {
  try {
    std::string bytes = WideToAnsi(line) + "\r\n";
    // Sharing delete lets another process remove the log while a line is being written.
    TFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  } catch (...) {
    return false;
  }
}

std::wstring GetSpecialFolderPath(int csidl) {
  wchar_t path[MAX_PATH + 1] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, TRUE)) return std::wstring();
  std::wstring result(path);
  while (!result.empty() && result.back() == L'\\') result.pop_back();
  return result;
}

std::wstring GetSystemUserAgent() {
  char agent[1024] = {};
  DWORD size = sizeof(agent) - 1;
  if (FAILED(ObtainUserAgentString(0, agent, &size))) return std::wstring();
  return AnsiToWide(agent);
}

bool RunShellCommand(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                     const std::wstring& directory, int showCommand) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.lpVerb = verb.c_str();
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = directory.c_str();
  info.nShow = showCommand;
  return ShellExecuteExW(&info) != FALSE;
}

std::wstring RandomString(int count) { return RandomString(*gGlobalRandom, count); }
