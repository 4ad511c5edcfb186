#include "base/untMainThread.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/untGlobal.h"
#include "base/untMessages.h"

namespace {

const UINT kWakeMessage = WM_APP + 1;
const wchar_t kWindowClassName[] = L"TTovlaneMainThread";

struct TWork {
  std::function<void()> run;
  std::optional<TLifeToken> target;
  std::optional<std::promise<bool>> done;  // Synchronize waits on it: true when run, false when dropped
};

struct THandOver {
  std::mutex lock;
  HWND window = nullptr;  // null: no main thread takes work
  bool wakePosted = false;
  std::deque<TWork> pending;
  std::atomic<DWORD> mainThreadId{0};
  // Set while no main thread takes work; WaitUnlessShutdown waits on it.
  HANDLE closed = CreateEventW(nullptr, TRUE, TRUE, nullptr);
  // Calls refused since the last main thread closed, counted for the log.
  std::atomic<unsigned long> refusedSynchronize{0}, refusedQueue{0};
};

// Never freed: a worker may still hand over work while the process runs its static destructors.
THandOver& State() {
  static THandOver* state = new THandOver;
  return *state;
}

// Caller holds the lock.
void PostWake(THandOver& state) {
  if (state.wakePosted || state.pending.empty()) return;
  state.wakePosted = PostMessageW(state.window, kWakeMessage, 0, 0) != FALSE;
  if (!state.wakePosted) WriteLog(L"MainThread: the wake message could not be posted");
}

// False when refused; the work is then freed by the caller's thread, as it never reached the main thread.
bool Push(TWork&& work) {
  THandOver& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  if (!state.window) return false;
  state.pending.push_back(std::move(work));
  PostWake(state);
  return true;
}

bool IsPowerOfTen(unsigned long count) {
  while (count >= 10 && count % 10 == 0) count /= 10;
  return count == 1;
}

// A worker that keeps calling after shutdown would fill the log with one line per call: the first refusal is
// logged as it stands, later ones as a count at each power of ten.
void LogRefused(std::atomic<unsigned long>& refused, const wchar_t* firstLine, const wchar_t* caller) {
  const unsigned long count = ++refused;
  if (count == 1)
    WriteLog(firstLine);
  else if (IsPowerOfTen(count))
    WriteLog(std::wstring(caller) + L": " + std::to_wstring(count) + L" calls refused since shutdown");
}

void RunOne(TWork& work) {
  if (work.target && work.target->expired()) return;
  try {
    work.run();
    if (work.done) work.done->set_value(true);
  } catch (...) {
    if (work.done)
      work.done->set_exception(std::current_exception());
    else
      WriteLog(L"Queue: handed-over work failed: " + CurrentErrorText());
  }
}

void RunNext() {
  THandOver& state = State();
  std::optional<TWork> next;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    state.wakePosted = false;
    if (!state.pending.empty()) {
      next.emplace(std::move(state.pending.front()));
      state.pending.pop_front();
    }
    PostWake(state);
  }
  if (next) RunOne(*next);
}

LRESULT CALLBACK HandOverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kWakeMessage) return DefWindowProcW(window, message, wParam, lParam);
  RunNext();
  return 0;
}

// On the main thread the work runs here and what it raises reaches the caller.
void QueueWork(TWork&& work) {
  if (IsMainThread()) {
    if (!work.target || !work.target->expired()) work.run();
  } else if (!Push(std::move(work))) {
    LogRefused(State().refusedQueue, L"Queue: no main thread takes work (shutting down), work dropped", L"Queue");
  }
}

}  // namespace

TMainThread::TMainThread() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass = {};
  if (!GetClassInfoW(instance, kWindowClassName, &windowClass)) {
    windowClass.lpfnWndProc = HandOverWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassW(&windowClass)) throw std::runtime_error("the main thread's window class cannot be registered");
  }
  HWND window = CreateWindowExW(0, kWindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!window) throw std::runtime_error("the main thread's window cannot be made");
  THandOver& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  if (state.window) {
    DestroyWindow(window);
    throw std::runtime_error("a main thread is already open");
  }
  state.window = window;
  state.mainThreadId = GetCurrentThreadId();
  state.refusedSynchronize = 0;
  state.refusedQueue = 0;
  ResetEvent(state.closed);
}

TMainThread::~TMainThread() { Shutdown(); }

void TMainThread::Shutdown() {
  if (!fOpen) return;
  fOpen = false;
  THandOver& state = State();
  std::deque<TWork> dropped;
  HWND window = nullptr;
  {
    std::lock_guard<std::mutex> hold(state.lock);
    window = state.window;
    state.window = nullptr;
    state.wakePosted = false;
    state.mainThreadId = 0;
    dropped.swap(state.pending);
    SetEvent(state.closed);
  }
  size_t waiters = 0;
  for (TWork& work : dropped) {
    if (!work.done) continue;
    work.done->set_value(false);
    ++waiters;
  }
  if (!dropped.empty())
    WriteLog(L"MainThread: shutting down, " + std::to_wstring(dropped.size()) + L" handed-over calls dropped (" +
             std::to_wstring(waiters) + L" of them waited)");
  dropped.clear();
  DestroyWindow(window);
}

bool IsMainThread() { return State().mainThreadId == GetCurrentThreadId(); }

bool WaitUnlessShutdown(uint32_t ms) { return WaitForSingleObject(State().closed, ms) == WAIT_TIMEOUT; }

bool Synchronize(const std::function<void()>& work) {
  if (IsMainThread()) {
    work();
    return true;
  }
  TWork handed;
  handed.run = work;
  handed.done.emplace();
  std::future<bool> done = handed.done->get_future();
  if (!Push(std::move(handed))) {
    LogRefused(State().refusedSynchronize, L"Synchronize: no main thread takes work (shutting down), call dropped",
               L"Synchronize");
    return false;
  }
  if (done.get()) return true;
  WriteLog(L"Synchronize: the main thread shut down before the call ran");
  return false;
}

void Queue(std::function<void()> work) {
  TWork handed;
  handed.run = std::move(work);
  QueueWork(std::move(handed));
}

void Queue(std::function<void()> work, TLifeToken target) {
  TWork handed;
  handed.run = std::move(work);
  handed.target = std::move(target);
  QueueWork(std::move(handed));
}
