// Start-up benchmark, run under Wine: starts two programs in turn, A B A B ..., and times each from the call
// that creates its process to the moment a visible top-level window of that process covers most of the
// screen (polled every millisecond), then reads its resident memory 5 s after the start and closes it.
// Prints every run, then the medians, the ratio A/B of the start-up medians and, steadier on a machine whose
// speed drifts, the median of the ratios pair by pair.
//   startup_watch RUNS A.exe [ARG] -- B.exe [ARG]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct TSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindCoveringWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT bounds;
  if (owner != search->processId || !IsWindowVisible(window) || !GetWindowRect(window, &bounds)) return TRUE;
  const double screen = double(GetSystemMetrics(SM_CXSCREEN)) * GetSystemMetrics(SM_CYSCREEN);
  if (double(bounds.right - bounds.left) * (bounds.bottom - bounds.top) < 0.8 * screen) return TRUE;
  search->found = window;
  return FALSE;
}

double SecondsSince(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

struct TRun {
  double startupSeconds = -1;  // negative: no such window within the time allowed
  double residentMegabytes = 0;
};

TRun RunOnce(std::wstring commandLine) {
  TRun run;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    fwprintf(stderr, L"startup_watch: cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
    return run;
  }
  TSearch search = {process.dwProcessId, nullptr};
  while (SecondsSince(start) < 30) {
    EnumWindows(FindCoveringWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      run.startupSeconds = SecondsSince(start);
      break;
    }
    Sleep(1);
  }
  const double wait = 5 - SecondsSince(start);
  if (wait > 0) Sleep(DWORD(wait * 1000));
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory)))
    run.residentMegabytes = double(memory.WorkingSetSize) / (1024 * 1024);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::wstring Quoted(const std::wstring& word) { return L"\"" + word + L"\""; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int separator = 2;
  while (separator < argc && wcscmp(argv[separator], L"--") != 0) ++separator;
  const int runs = argc > 1 ? _wtoi(argv[1]) : 0;
  if (runs < 1 || separator == 2 || separator + 1 >= argc) {
    fwprintf(stderr, L"usage: startup_watch RUNS A.exe [ARG ...] -- B.exe [ARG ...]\n");
    return 2;
  }
  std::wstring commands[2];
  for (int i = 2; i < argc; ++i) {
    if (i == separator) continue;
    std::wstring& command = commands[i < separator ? 0 : 1];
    command += (command.empty() ? L"" : L" ") + Quoted(argv[i]);
  }
  std::vector<double> startup[2], resident[2];
  // One pair first, not counted, so that both find the files and the prefix warm.
  for (int run = -1; run < runs; ++run) {
    for (int which = 0; which < 2; ++which) {
      const TRun result = RunOnce(commands[which]);
      wprintf(L"%ls run %d: window after %.3f s, resident %.1f MB\n", which ? L"B" : L"A", run + 1,
              result.startupSeconds, result.residentMegabytes);
      fflush(stdout);
      if (run < 0 || result.startupSeconds < 0) continue;
      startup[which].push_back(result.startupSeconds);
      resident[which].push_back(result.residentMegabytes);
    }
  }
  for (int which = 0; which < 2; ++which)
    wprintf(L"%ls: %ls\n   median start-up to window %.3f s over %zu runs, median resident after 5 s %.1f MB\n",
            which ? L"B" : L"A", commands[which].c_str(), Median(startup[which]), startup[which].size(),
            Median(resident[which]));
  const double bare = Median(startup[1]);
  wprintf(L"ratio of the start-up medians A/B: %.2f\n", bare > 0 ? Median(startup[0]) / bare : 0.0);
  std::vector<double> pairs;
  for (size_t i = 0; i < std::min(startup[0].size(), startup[1].size()); ++i)
    pairs.push_back(startup[0][i] / startup[1][i]);
  wprintf(L"median of the pairwise ratios A/B: %.2f\n", Median(pairs));
  return startup[0].size() == size_t(runs) && startup[1].size() == size_t(runs) ? 0 : 1;
}
