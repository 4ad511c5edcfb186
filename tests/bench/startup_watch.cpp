// Start-up benchmark, run under Wine: starts two or more programs in turn, A B C A B C ..., and times each
// from the call that creates its process to the moment a visible top-level window of that process covers most
// of the screen (polled every millisecond), then reads its resident memory 5 s after the start and closes it.
// Prints every run, then the medians and, of A against each of the others, the ratio of the start-up medians,
// the median of the ratios run by run (steadier on a machine whose speed drifts) and the ratio of the resident
// memory medians.
//   startup_watch RUNS A.exe [ARG ...] -- B.exe [ARG ...] [-- C.exe [ARG ...]]
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
  const int runs = argc > 1 ? _wtoi(argv[1]) : 0;
  std::vector<std::wstring> commands(1);
  for (int i = 2; i < argc; ++i) {
    if (wcscmp(argv[i], L"--") == 0) {
      commands.emplace_back();
      continue;
    }
    std::wstring& command = commands.back();
    command += (command.empty() ? L"" : L" ") + Quoted(argv[i]);
  }
  const bool anyEmpty = std::any_of(commands.begin(), commands.end(), [](const std::wstring& c) { return c.empty(); });
  if (runs < 1 || commands.size() < 2 || anyEmpty) {
    fwprintf(stderr, L"usage: startup_watch RUNS A.exe [ARG ...] -- B.exe [ARG ...] [-- C.exe [ARG ...]]\n");
    return 2;
  }
  const size_t count = commands.size();
  std::vector<std::vector<double>> startup(count), resident(count);
  // One round first, not counted, so that all of them find the files and the prefix warm. A round in which
  // one program shows no window is left out as a whole, so that the runs stay paired. Each round starts with
  // the next program, since the first of a round finds the system's caches coldest.
  for (int run = -1; run < runs; ++run) {
    std::vector<TRun> round(count);
    for (size_t turn = 0; turn < count; ++turn) {
      const size_t which = (turn + static_cast<size_t>(run + 1)) % count;
      round[which] = RunOnce(commands[which]);
      wprintf(L"%lc run %d: window after %.3f s, resident %.1f MB\n", wchar_t(L'A' + which), run + 1,
              round[which].startupSeconds, round[which].residentMegabytes);
      fflush(stdout);
    }
    const bool complete = std::all_of(round.begin(), round.end(), [](const TRun& r) { return r.startupSeconds >= 0; });
    if (run < 0 || !complete) continue;
    for (size_t which = 0; which < count; ++which) {
      startup[which].push_back(round[which].startupSeconds);
      resident[which].push_back(round[which].residentMegabytes);
    }
  }
  for (size_t which = 0; which < count; ++which)
    wprintf(L"%lc: %ls\n   median start-up to window %.3f s over %zu runs, median resident after 5 s %.1f MB\n",
            wchar_t(L'A' + which), commands[which].c_str(), Median(startup[which]), startup[which].size(),
            Median(resident[which]));
  for (size_t other = 1; other < count; ++other) {
    std::vector<double> pairs;
    for (size_t i = 0; i < startup[0].size(); ++i) pairs.push_back(startup[0][i] / startup[other][i]);
    const double otherStartup = Median(startup[other]), otherResident = Median(resident[other]);
    const wchar_t name = wchar_t(L'A' + other);
    wprintf(L"A/%lc: start-up medians %.2f, pairwise median %.2f, resident medians %.2f\n", name,
            otherStartup > 0 ? Median(startup[0]) / otherStartup : 0.0, Median(pairs),
            otherResident > 0 ? Median(resident[0]) / otherResident : 0.0);
  }
  return startup[0].size() == size_t(runs) ? 0 : 1;
}
