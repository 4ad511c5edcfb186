// The filter runs on the thread that failed, in a process whose heap or locks may be damaged: the dump is written
// first, with dbghelp loaded only now (no cost at start; XP has it), and a second thread that fails meanwhile
// waits for the first report to end the process.
#include "base/untCrashReport.h"

#include <windows.h>

#include <dbghelp.h>

#include <atomic>
#include <cwchar>
#include <string>

#include "base/untGlobal.h"

namespace {

using TMiniDumpWriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                         PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

std::atomic<bool> gReporting{false};

// "TovlaneClient-<yyyyMMdd-HHmmss>-<process id>.dmp" in the log's folder.
std::wstring DumpFileName() {
  std::wstring name = LogFileName();
  const size_t dot = name.rfind(L'.');
  if (name.empty() || dot == std::wstring::npos) return std::wstring();
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t suffix[64];
  swprintf(suffix, 64, L"-%04u%02u%02u-%02u%02u%02u-%lu.dmp", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond, GetCurrentProcessId());
  return name.substr(0, dot) + suffix;
}

// The text after the minidump's name: empty when it was written, else why not.
std::wstring WriteDump(const std::wstring& fileName, EXCEPTION_POINTERS* exception) {
  HMODULE dbghelp = LoadLibraryW(L"dbghelp.dll");
  // Through void*: GCC warns of a direct cast between function types.
  auto writeDump =
      dbghelp
          ? reinterpret_cast<TMiniDumpWriteDump>(reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")))
          : nullptr;
  if (!writeDump) return L" (dbghelp has no MiniDumpWriteDump)";
  HANDLE file = CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L" (cannot be created: error " + std::to_wstring(GetLastError()) + L")";
  MINIDUMP_EXCEPTION_INFORMATION information = {GetCurrentThreadId(), exception, FALSE};
  const BOOL written =
      writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &information, nullptr, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (written) return std::wstring();
  DeleteFileW(fileName.c_str());
  return L" (not written: error " + std::to_wstring(error) + L")";
}

// "<module file name>+0x<offset>", or "unknown module".
std::wstring ModuleAndOffset(const void* address) {
  HMODULE module = nullptr;
  wchar_t path[MAX_PATH] = L"";
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module) ||
      !GetModuleFileNameW(module, path, MAX_PATH))
    return L"unknown module";
  const wchar_t* name = std::wcsrchr(path, L'\\');
  wchar_t offset[32];
  swprintf(offset, 32, L"+0x%llX",
           static_cast<unsigned long long>(static_cast<const char*>(address) - reinterpret_cast<const char*>(module)));
  return std::wstring(name ? name + 1 : path) + offset;
}

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception) {
  if (gReporting.exchange(true)) Sleep(INFINITE);
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  const std::wstring dumpFile = DumpFileName();
  const std::wstring dumpOutcome = dumpFile.empty() ? L" (no log folder)" : WriteDump(dumpFile, exception);
  wchar_t head[96];
  swprintf(head, 96, L"UnhandledException: code 0x%08lX at 0x%p in ", record.ExceptionCode, record.ExceptionAddress);
  WriteLog(head + ModuleAndOffset(record.ExceptionAddress) + L", thread " + std::to_wstring(GetCurrentThreadId()) +
           L", minidump " + dumpFile + dumpOutcome);
  // The thread's outermost handler ends the process with the exception's code, and no debugger is started.
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void InstallCrashReport() { SetUnhandledExceptionFilter(ReportUnhandledException); }
