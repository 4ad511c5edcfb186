// Soak of the script bridge and the client's windows under Wine, against the platform test server
// (TOVLANE_SERVER): what a lesson does, round after round, while the process's resources are sampled.
//
// The page runner (TOVLANE_PAGE_RUNNER_EXE) runs a lesson script twice: once through the real bridge and once as
// a control, the same closures and timers with each bridge call replaced by a timer of the same length. Wine's
// script engine grows the runner by itself, so the bridge's own growth is the difference of the two slopes. The
// script prints "sample" at its start and every N rounds; the runner is sampled from here at each.
// Then, in this process, the sound test window is opened and closed and the download window runs a download.
// Usage: bench_soak <rounds> <sample every N rounds> <sound test openings> <download window openings>
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "audio/untFormVolumeSpeaker.h"
#include "base/Streams.h"
#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untText.h"
#include "testkit/WinTestSupport.h"
#include "update/untFormDownload.h"

namespace {

struct TSample {
  double round;
  double values[6];
};
const char* const kMeasures[] = {"private bytes", "working set", "handles", "GDI objects", "USER objects", "threads"};
const char* const kUnits[] = {"B", "B", "", "", "", ""};

// The system's handle table, which Wine keeps although its GetProcessHandleCount answers 0.
struct TSystemHandle {
  ULONG ownerProcessId;
  BYTE objectType, flags;
  USHORT value;
  PVOID object;
  ULONG access;
};
struct TSystemHandles {
  ULONG count;
  TSystemHandle handles[1];
};
using TNtQuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

DWORD HandlesInSystemTable(DWORD processId) {
  static auto query = reinterpret_cast<TNtQuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  const ULONG kSystemHandleInformation = 16;
  std::vector<char> buffer(1 << 20);
  ULONG needed = 0;
  while (query && query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) ==
                      static_cast<LONG>(0xC0000004))  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(buffer.size() * 2);
  if (!query) return 0;
  const auto* table = reinterpret_cast<const TSystemHandles*>(buffer.data());
  DWORD count = 0;
  for (ULONG i = 0; i < table->count; ++i)
    if (table->handles[i].ownerProcessId == processId) ++count;
  return count;
}

TSample Sample(HANDLE process, DWORD processId, double round) {
  TSample sample = {round, {}};
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory))) {
    // Wine leaves PrivateUsage at 0 and reports the committed private memory as the page-file usage.
    sample.values[0] = static_cast<double>(memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage);
    sample.values[1] = static_cast<double>(memory.WorkingSetSize);
  }
  DWORD handles = 0;
  if (!GetProcessHandleCount(process, &handles) || handles == 0) handles = HandlesInSystemTable(processId);
  sample.values[2] = handles;
  sample.values[3] = GetGuiResources(process, GR_GDIOBJECTS);
  sample.values[4] = GetGuiResources(process, GR_USEROBJECTS);
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof(thread);
    int threads = 0;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
      if (thread.th32OwnerProcessID == processId) ++threads;
    sample.values[5] = threads;
    CloseHandle(snapshot);
  }
  return sample;
}

// Least-squares slope of one measure per 1,000 rounds, after the warm-up: the first third of the samples (caches
// filling, the heap growing to its working size) is left out.
double SlopePer1000(const std::vector<TSample>& samples, int measure) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (size_t i = std::max<size_t>(1, samples.size() / 3); i < samples.size(); ++i) {
    const double x = samples[i].round, y = samples[i].values[measure];
    n += 1;
    sx += x;
    sy += y;
    sxx += x * x;
    sxy += x * y;
  }
  const double denominator = n * sxx - sx * sx;
  return n < 2 || denominator == 0 ? 0 : 1000 * (n * sxy - sx * sy) / denominator;
}

void PrintSlopes(const char* what, const std::vector<TSample>& samples, const std::vector<TSample>* control) {
  std::printf("%s: %zu samples, rounds %.0f to %.0f\n", what, samples.size(), samples.front().round,
              samples.back().round);
  for (int m = 0; m < 6; ++m) {
    const double slope = SlopePer1000(samples, m);
    std::printf("  %-13s start %12.0f  end %12.0f  slope %+12.1f %s/1000 rounds", kMeasures[m],
                samples.front().values[m], samples.back().values[m], slope, kUnits[m]);
    if (control)
      std::printf("  (control %+12.1f, bridge %+12.1f)", SlopePer1000(*control, m), slope - SlopePer1000(*control, m));
    std::printf("\n");
  }
}

// The lesson. With bridge false, each call is a timer that runs the same callback after the same time.
std::string LessonScript(bool bridge, int rounds, int every, const std::string& server) {
  return "var bridge = " + std::string(bridge ? "true" : "false") + ", rounds = " + std::to_string(rounds) +
         ", every = " + std::to_string(every) + ", server = '" + server + R"(';
var ext = window.external, round = 0, waiting = 0, next = null, answers = 0;
function done() { if (--waiting == 0) setTimeout(next, 0); }
window.voxVoiceEngine = {
  onRecordVoiceCompleted: function (id, status) { done(); },
  onPlayRecordedVoiceCompleted: function (id, status) { done(); },
  onScoreRecordedVoiceCompleted: function (id, status) {
    if (bridge && ext.getScoreRecordedVoiceResult(id) != null) ++answers;
    done();
  },
  onPlayAudioCompleted: function (id, status) { done(); }
};
var engine = window.voxVoiceEngine;
function later(callback, id, ms) { setTimeout(function () { callback(id, 'ok'); }, ms); }
function record(id, ms) { if (bridge) ext.recordVoice(id, ms); else later(engine.onRecordVoiceCompleted, id, ms); }
function play(id, ms) { if (bridge) ext.playRecordedVoice(id); else later(engine.onPlayRecordedVoiceCompleted, id, ms); }
function prompt(id, url) { if (bridge) ext.playAudio(id, url); else later(engine.onPlayAudioCompleted, id, 250); }
function score(id) {
  if (bridge) ext.scoreRecordedVoice(server + '/score', id, 'The quick brown fox.', '0');
  else later(engine.onScoreRecordedVoiceCompleted, id, 100);
}
function reset() { if (bridge) ext.resetVoiceEngine(); }
function wait(count, then) { waiting = count; next = then; }

function startRound() {
  if (round % every == 0) print('sample ' + round);
  // The last sample is taken while the runner still runs.
  if (round == rounds) { print('answers ' + answers); setTimeout(function () { exit(0); }, 1000); return; }
  var id = 's' + (round % 3), ms = 1000 + 1000 * (round % 3);
  wait(1, function () {
    // The recording played back beside a cached prompt and one that never enters the cache (it fails).
    wait(3, function () {
      wait(1, function () { ++round; startRound(); });
      score(id);
      // Every fourth round the page empties the store while the upload runs: the upload finds no entry.
      if (round % 4 == 3) reset();
    });
    play(id, ms);
    prompt('cached', server + '/prompt/tone.wav');
    prompt('uncached', server + '/prompt/tone.wav?fail=1000000000');
  });
  record(id, ms);
}
startRound();
)";
}

std::wstring TempFile() {
  wchar_t folder[MAX_PATH + 1], file[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, L"sk", 0, file);
  return file;
}

// Runs the lesson in the page runner and samples it at each "sample" line it prints.
std::vector<TSample> RunLesson(bool bridge, int rounds, int every, const std::string& server) {
  const std::wstring scriptFile = TempFile();
  WriteWholeFile(scriptFile, LessonScript(bridge, rounds, every, server));
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = writeEnd;
  PROCESS_INFORMATION process = {};
  std::wstring commandLine =
      L"\"" + WindowsPathFromEnv("TOVLANE_PAGE_RUNNER_EXE") + L"\" --timeout 86400000 \"" + scriptFile + L"\"";
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "the page runner cannot be started\n");
    std::exit(1);
  }
  CloseHandle(writeEnd);
  std::vector<TSample> samples;
  std::string pending;
  char buffer[4096];
  DWORD got = 0;
  // Polled: under Wine the pipe does not always report its end when the runner has gone.
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr)) break;
    if (available == 0) {
      if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0 &&
          (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) || available == 0))
        break;
      continue;
    }
    if (!ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) || got == 0) break;
    pending.append(buffer, got);
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string line = pending.substr(0, end);
      if (line.rfind("sample ", 0) == 0)
        samples.push_back(Sample(process.hProcess, process.dwProcessId, std::atof(line.c_str() + 7)));
      else
        std::printf("  runner: %s\n", line.c_str());
    }
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(readEnd);
  DeleteFileW(scriptFile.c_str());
  if (exitCode != 0 || samples.size() < 3) {
    std::fprintf(stderr, "the lesson ended with %lu after %zu samples\n", exitCode, samples.size());
    std::exit(1);
  }
  return samples;
}

void PumpFor(DWORD ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(5)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// Opens the window count times (open(i) makes, uses and closes it), sampling this process every tenth time.
std::vector<TSample> RepeatWindow(int count, const std::function<void(int)>& open) {
  std::vector<TSample> samples;
  for (int i = 0; i <= count; ++i) {
    if (i % (count / 10 > 0 ? count / 10 : 1) == 0)
      samples.push_back(Sample(GetCurrentProcess(), GetCurrentProcessId(), i));
    if (i < count) open(i);
  }
  return samples;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const char* server = std::getenv("TOVLANE_SERVER");
  if (argc < 5 || !server) {
    std::fprintf(stderr,
                 "usage: bench_soak <rounds> <sample every> <sound test openings> <download openings>, "
                 "with TOVLANE_SERVER and TOVLANE_PAGE_RUNNER_EXE set\n");
    return 2;
  }
  const int rounds = _wtoi(argv[1]), every = _wtoi(argv[2]), soundTests = _wtoi(argv[3]), downloads = _wtoi(argv[4]);
  setvbuf(stdout, nullptr, _IONBF, 0);
  InitGlobal();

  std::printf("page runner, %d rounds of a lesson, sampled every %d rounds\n", rounds, every);
  const std::vector<TSample> control = RunLesson(false, rounds, every, server);
  PrintSlopes("control (no bridge calls)", control, nullptr);
  const std::vector<TSample> lesson = RunLesson(true, rounds, every, server);
  PrintSlopes("bridge", lesson, &control);

  TMainThread mainThread;
  PrintSlopes("sound test window opened, played, switched to the microphone and closed (per 1000 openings)",
              RepeatWindow(soundTests,
                           [](int) {
                             TFormVolumeSpeaker form(nullptr);
                             form.btnTestPlayClick();
                             PumpFor(150);
                             form.btnGotoMicrophoneTestClick();
                             PumpFor(150);
                           }),
              nullptr);
  PrintSlopes("download window through a whole download (per 1000 openings)",
              RepeatWindow(downloads,
                           [](int) {
                             TFormDownload form(nullptr);
                             TMemoryStream setup;
                             form.StartDownload(L"file", ServerUrl(L"/setup/test-setup?rate=2000000"), &setup);
                             if (form.ShowModal() != mrOk) {
                               std::fprintf(stderr, "a download failed\n");
                               std::exit(1);
                             }
                           }),
              nullptr);
  return 0;
}
