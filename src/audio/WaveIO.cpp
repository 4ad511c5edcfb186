#include "audio/WaveIO.h"

#include <algorithm>

#include "audio/WaveStorage.h"
#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untText.h"

namespace {

const UINT kMouseLast = 0x020E;  // WM_MOUSEHWHEEL, which the XP headers do not declare

}  // namespace

EWaveAudioError::EWaveAudioError(const std::wstring& message)
    : std::runtime_error(WideToAnsi(message)), fMessage(message) {}

TWaveThread::TWaveThread(TWaveAudioIO& waveAudioIO)
    : WaveAudioIO(waveAudioIO), fThreadEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (!fThreadEvent) throw EWaveAudioSysError(L"Cannot create the callback thread's event");
  fThreadHandle.Reset(CreateThread(nullptr, 0, Execute, this, CREATE_SUSPENDED, &fThreadId));
  if (!fThreadHandle) throw EWaveAudioSysError(L"Cannot create the callback thread");
  SetThreadPriority(fThreadHandle.Get(), THREAD_PRIORITY_ABOVE_NORMAL);
  ResumeThread(fThreadHandle.Get());
}

TWaveThread::~TWaveThread() { WaitForSingleObject(fThreadHandle.Get(), INFINITE); }

DWORD WINAPI TWaveThread::Execute(void* parameter) {
  auto* self = static_cast<TWaveThread*>(parameter);
  MSG message;
  // Creates the queue, so that the driver's first message cannot be lost.
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  SetEvent(self->fThreadEvent.Get());
  while (GetMessageW(&message, nullptr, 0, 0) > 0) self->WaveAudioIO.Dispatch(message.message, message.lParam);
  ResetEvent(self->fThreadEvent.Get());
  return 0;
}

bool WaitWithMessages(HANDLE handle, DWORD timeoutMs) {
  TKernelHandle own;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), own.Receive(), SYNCHRONIZE, FALSE, 0))
    return false;
  HANDLE real = own.Get();
  bool signalled = false;
  DWORD remaining = timeoutMs;
  for (;;) {
    const DWORD started = GetTickCount();
    const DWORD result =
        MsgWaitForMultipleObjects(1, &real, FALSE, remaining, QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY);
    if (result == WAIT_OBJECT_0) {
      signalled = true;
      break;
    }
    if (result != WAIT_OBJECT_0 + 1) break;
    MSG message;
    bool quit = false;
    while (!quit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        quit = true;
      } else if ((message.message >= WM_KEYFIRST && message.message <= WM_UNICHAR) ||
                 (message.message >= WM_MOUSEFIRST && message.message <= kMouseLast)) {
        continue;  // no input reaches windows while the program waits
      } else {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    if (quit) break;
    if (timeoutMs != INFINITE) {
      const DWORD elapsed = GetTickCount() - started;
      if (elapsed >= remaining) break;
      remaining -= elapsed;
    }
  }
  return signalled;
}

TWaveAudioIO::TWaveAudioIO(TWaveCalls& calls, TReopen reopen) : fCalls(calls), fReopen(reopen) {}

TWaveAudioIO::~TWaveAudioIO() = default;

void TWaveAudioIO::Shutdown() {
  {
    std::lock_guard<std::mutex> hold(fEventsLock);
    fDestroying = true;
    fLiveness.reset();  // events already handed to the main thread are dropped there
    fPendingEvents.clear();
  }
  {
    std::lock_guard<TRecursiveLock> lock(CS);
    try {
      if (Active() && !fClosing) CloseDevice();
    } catch (const std::exception& error) {
      WriteLog(L"TWaveAudioIO close on destruction: " + AnsiToWide(error.what()));
    }
    // A device that refused its reset is let go all the same, so that the close is handled and the thread ends.
    if (Active() && !fClosing) {
      fClosing = true;
      ReleaseDevice();
    }
  }
  WaitForStop();
  if (!Active()) JoinThread();
}

void TWaveAudioIO::SetDeviceID(int id) {
  if (id == fDeviceID) return;
  if (Active()) throw EWaveAudioInvalidOperation(L"DeviceID cannot be changed while device is open");
  std::wstring name;
  CheckResult(fCalls.getDeviceName(static_cast<UINT>(id), name));
  fDeviceID = id;
}

void TWaveAudioIO::SetAsync(bool async) {
  if (!Active()) fAsync = async;
}

void TWaveAudioIO::WaitForStart() {
  // An open holds the lock until it has finished; no error is ever shown while the lock is held.
  std::lock_guard<TRecursiveLock> lock(CS);
}

void TWaveAudioIO::WaitForStop() {
  if (!fThread || (Active() && !fClosing) || GetCurrentThreadId() == fThread->ThreadId()) return;
  // The thread ends when the close has been handled, and every close is handled (ReleaseDevice).
  WaitWithMessages(fThread->ThreadHandle(), INFINITE);
  JoinThread();
  if (IsMainThread()) RunPendingEvents();
}

std::wstring TWaveAudioIO::DeviceName() {
  std::wstring name;
  fCalls.getDeviceName(static_cast<UINT>(fDeviceID), name);
  return name;
}

std::wstring TWaveAudioIO::ErrorText(MMRESULT code) {
  wchar_t text[256] = L"";
  if (fCalls.getErrorText(code, text, 256) != MMSYSERR_NOERROR) return L"";
  return text;
}

void TWaveAudioIO::CheckResult(MMRESULT code) {
  fLastError = code;
  if (code != MMSYSERR_NOERROR) throw EWaveAudioSysError(ErrorText(code));
}

bool TWaveAudioIO::OpenDeviceWith(std::unique_ptr<TWaveStreamAdapter>& slot,
                                  std::unique_ptr<TWaveStreamAdapter> adapter) {
  if (fOpening) return false;  // an open under way keeps its source or target
  if (Active()) {
    CloseDevice();
    Sleep(0);
  }
  slot = std::move(adapter);
  try {
    OpenDevice();
  } catch (...) {
    slot.reset();
    throw;
  }
  return true;
}

void TWaveAudioIO::OpenDevice() {
  const wchar_t alreadyOpen[] = L"Device is aleardy open";
  if (fReopen == TReopen::Refuse && Active()) throw EWaveAudioInvalidOperation(alreadyOpen);
  if (fClosing) WaitForStop();
  if (Active()) throw EWaveAudioInvalidOperation(alreadyOpen);
  std::lock_guard<TRecursiveLock> lock(CS);
  fOpening = true;
  try {
    TWaveFormatEx scratch{};
    const TWaveFormatEx* format = ObtainFormat(scratch);
    const auto* record = reinterpret_cast<const WAVEFORMATEX*>(format);
    const UINT device = static_cast<UINT>(fDeviceID);
    // A source without a format fails like a format the device refuses.
    CheckResult(format ? fCalls.open(nullptr, device, record, 0, WAVE_FORMAT_QUERY)
                       : static_cast<MMRESULT>(WAVERR_BADFORMAT));
    WaveFormat = *format;
    WaveFormat.cbSize = 0;
    fHandleClosed = false;
    CreateCallback();
    CheckResult(fCalls.open(&fHandle, device, record, fCallback.load(), CALLBACK_THREAD));
  } catch (...) {
    fHandle = nullptr;
    if (Active()) ReleaseCallback();
    fOpening = false;
    throw;
  }
  fOpening = false;
}

bool TWaveAudioIO::CloseDevice() {
  if (fClosing) return false;
  if (fOpening) WaitForStart();
  if (!Active()) throw EWaveAudioInvalidOperation(L"Device is aleardy close");
  std::lock_guard<TRecursiveLock> lock(CS);
  fClosing = true;
  try {
    CheckResult(fCalls.reset(fHandle));
  } catch (...) {
    fClosing = false;
    throw;
  }
  if (!AnyQueued()) CheckResult(ReleaseDevice());
  return true;
}

MMRESULT TWaveAudioIO::ReleaseDevice() {
  if (fHandleClosed) return MMSYSERR_NOERROR;
  fHandleClosed = true;
  MMRESULT refused = MMSYSERR_NOERROR;
  for (TWaveBuffer& buffer : fRing) {
    if (buffer.queued || !(buffer.header.dwFlags & WHDR_PREPARED)) continue;
    const MMRESULT result = fCalls.unprepareHeader(fHandle, &buffer.header);
    if (refused == MMSYSERR_NOERROR) refused = result;
  }
  const MMRESULT closed = fCalls.close(fHandle);
  if (closed != MMSYSERR_NOERROR) {
    WriteLog(L"TWaveAudioIO the device refused to close (" + std::to_wstring(closed) + L"), it is let go");
    HandleMessage(fCalls.closeMessage, 0);
  }
  return refused != MMSYSERR_NOERROR ? refused : closed;
}

void TWaveAudioIO::DeviceOpened() {
  fOpening = false;
  // A stop that came before this message may already have released the device.
  if (!fClosing) {
    const size_t size = BufferSizeForMs(WaveFormat, fBufferLength);
    fRing.resize(fBufferCount);
    for (TWaveBuffer& buffer : fRing) {
      buffer.data.resize(size);
      buffer.header.lpData = reinterpret_cast<LPSTR>(buffer.data.data());
      buffer.header.dwBufferLength = static_cast<DWORD>(size);
      CheckResult(fCalls.prepareHeader(fHandle, &buffer.header));
    }
    QueueInitialBuffers();
  }
  Deliver([this] {
    if (OnActivate) OnActivate(*this);
  });
}

void TWaveAudioIO::DeviceClosed() {
  fHandle = nullptr;
  FireLevel(nullptr, 0);
  // The channel goes before the flag clears, so that a waiter never sees the component active and not closing.
  ReleaseCallback();
  fClosing = false;
  // A header still queued belongs to a driver that refused to give it back: the ring is left to it, not freed.
  if (AnyQueued()) static_cast<void>(new std::vector<TWaveBuffer>(std::move(fRing)));
  fRing.clear();
  Deliver([this] {
    if (OnDeactivate) OnDeactivate(*this);
  });
}

void TWaveAudioIO::QueueBuffer(TWaveBuffer& buffer) {
  buffer.header.dwBytesRecorded = 0;
  CheckResult(fCalls.queue(fHandle, &buffer.header));
  buffer.queued = true;
}

TWaveBuffer* TWaveAudioIO::BufferBack(WAVEHDR* header) {
  for (TWaveBuffer& buffer : fRing)
    if (&buffer.header == header && buffer.queued) {
      buffer.queued = false;
      buffer.header.dwBufferLength = static_cast<DWORD>(buffer.data.size());  // the length it was prepared with
      return &buffer;
    }
  return nullptr;
}

TWaveBuffer* TWaveAudioIO::FreeBuffer() {
  for (TWaveBuffer& buffer : fRing)
    if (!buffer.queued) return &buffer;
  return nullptr;
}

bool TWaveAudioIO::AnyQueued() const {
  return std::any_of(fRing.begin(), fRing.end(), [](const TWaveBuffer& buffer) { return buffer.queued; });
}

void TWaveAudioIO::HandleBuffer(const std::function<void()>& handling) {
  try {
    handling();
  } catch (...) {
    if (fClosing && !AnyQueued()) ReleaseDevice();
    throw;
  }
  if (fClosing && !AnyQueued()) CheckResult(ReleaseDevice());
}

void TWaveAudioIO::FireLevel(const void* data, size_t size) {
  if (WaveFormat.wFormatTag != WAVE_FORMAT_PCM_TAG) return;
  const int level = ComputePeakLevel(data, size, WaveFormat);
  Deliver([this, level] {
    if (OnLevel) OnLevel(*this, level);
  });
}

void TWaveAudioIO::Deliver(std::function<void()> event) {
  if (fAsync) {
    if (!fDestroying) event();
    return;
  }
  TLifeToken token;
  {
    std::lock_guard<std::mutex> hold(fEventsLock);
    if (fDestroying) return;
    fPendingEvents.push_back(std::move(event));
    token = fLiveness->Token();
  }
  // Each hand-over runs what has gathered; a wait for the stop runs the rest.
  Queue([this] { RunPendingEvents(); }, std::move(token));
}

void TWaveAudioIO::RunPendingEvents() {
  for (;;) {
    std::vector<std::function<void()>> events;
    {
      std::lock_guard<std::mutex> hold(fEventsLock);
      events.swap(fPendingEvents);
    }
    if (events.empty() || fDestroying) return;
    for (const auto& event : events)
      if (!fDestroying) event();
  }
}

void TWaveAudioIO::JoinThread() {
  if (fThread && GetCurrentThreadId() != fThread->ThreadId()) fThread.reset();
}

void TWaveAudioIO::CreateCallback() {
  JoinThread();  // the previous recording's thread has been told to end
  fThread = std::make_unique<TWaveThread>(*this);
  WaitWithMessages(fThread->ThreadEvent(), INFINITE);
  fCallback = fThread->ThreadId();
}

void TWaveAudioIO::ReleaseCallback() {
  PostRequest(WM_QUIT);
  fCallback = 0;
}

void TWaveAudioIO::PostRequest(UINT message) {
  if (!fThread) return;
  while (!PostThreadMessageW(fThread->ThreadId(), message, 0, 0) &&
         WaitForSingleObject(fThread->ThreadHandle(), 0) == WAIT_TIMEOUT)
    Sleep(0);
}

void TWaveAudioIO::Dispatch(UINT message, LPARAM lParam) {
  std::exception_ptr failure;
  {
    std::lock_guard<TRecursiveLock> lock(CS);
    try {
      HandleMessage(message, lParam);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (!failure) return;
  const auto report = [failure] {
    try {
      std::rethrow_exception(failure);
    } catch (const std::exception& error) {
      ReportError(nullptr, error);
    }
  };
  if (fDestroying)
    report();  // only logged: this thread shows nothing
  else
    Deliver(report);
}

void TWaveAudioIO::HandleMessage(UINT message, LPARAM lParam) {
  auto* header = reinterpret_cast<WAVEHDR*>(lParam);
  switch (message) {
    case MM_WOM_OPEN:
      HandleOutputOpen();
      break;
    case MM_WOM_CLOSE:
      HandleOutputClose();
      break;
    case MM_WOM_DONE:
      HandleOutputDone(header);
      break;
    case MM_WIM_OPEN:
      HandleInputOpen();
      break;
    case MM_WIM_CLOSE:
      HandleInputClose();
      break;
    case MM_WIM_DATA:
      HandleInputData(header);
      break;
    default:
      break;
  }
}
