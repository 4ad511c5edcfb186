#include "audio/WaveIO.h"

#include <algorithm>

#include "audio/WaveStorage.h"
#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untText.h"

namespace {

const UINT kMouseLast = 0x020E;  // WM_MOUSEHWHEEL, which the XP headers do not declare

}  // namespace

TWaveInCalls WaveInCalls = {waveInGetNumDevs,    waveInGetErrorTextW, waveInGetDevCapsW,     waveInOpen,
                            waveInPrepareHeader, waveInAddBuffer,     waveInUnprepareHeader, waveInStart,
                            waveInReset,         waveInClose,         MM_WIM_CLOSE};
TWaveOutCalls WaveOutCalls = {
    waveOutGetNumDevs,      waveOutGetErrorTextW, waveOutGetDevCapsW, waveOutOpen,  waveOutPrepareHeader, waveOutWrite,
    waveOutUnprepareHeader, waveOutRestart,       waveOutReset,       waveOutClose, MM_WOM_CLOSE};

EWaveAudioError::EWaveAudioError(const std::wstring& message)
    : std::runtime_error(WideToAnsi(message)), fMessage(message) {}

void TWaveBuffer::Resize(size_t size) {
  data.resize(size);
  header.lpData = reinterpret_cast<LPSTR>(data.data());
  header.dwBufferLength = static_cast<DWORD>(size);
  header.dwBytesRecorded = 0;
}

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

TWaveAudioIO::TWaveAudioIO(TReopen reopen) : fReopen(reopen) {}

TWaveAudioIO::~TWaveAudioIO() = default;

void TWaveAudioIO::Shutdown() {
  {
    std::lock_guard<std::mutex> hold(fEventsLock);
    fDestroying = true;
    fLiveness.reset();  // events already handed to the main thread are dropped there
    fPendingEvents.clear();
  }
  try {
    if (Active() && !fClosing) CloseDevice();
  } catch (const std::exception& error) {
    WriteLog(L"TWaveAudioIO close on destruction: " + AnsiToWide(error.what()));
  }
  LetGoOfRefusedDevice();
  WaitForStop();
  if (!Active()) JoinThread();
}

void TWaveAudioIO::LetGoOfRefusedDevice() {
  std::lock_guard<TRecursiveLock> lock(CS);
  if (!Active() || fClosing) return;
  fClosing = true;
  try {
    CloseHandleOnce();
  } catch (const std::exception& error) {
    WriteLog(L"TWaveAudioIO close on destruction: " + AnsiToWide(error.what()));
  }
}

void TWaveAudioIO::SetDeviceID(int id) {
  if (id == fDeviceID) return;
  if (Active()) throw EWaveAudioInvalidOperation(L"DeviceID cannot be changed while device is open");
  if (CheckResult(CheckDevice(id))) fDeviceID = id;
}

void TWaveAudioIO::SetAsync(bool async) {
  if (!Active()) fAsync = async;
}

void TWaveAudioIO::WaitForStart() {
  // An open holds the lock until it has finished; no error is ever shown while the lock is held.
  std::lock_guard<TRecursiveLock> lock(CS);
}

bool TWaveAudioIO::WaitForStop() {
  if (!fThread || (Active() && !fClosing)) return true;
  if (GetCurrentThreadId() == fThread->ThreadId()) return true;
  // The thread ends when the close has been handled, and every close is handled (CloseHandleOnce).
  WaitWithMessages(fThread->ThreadHandle(), INFINITE);
  JoinThread();
  if (IsMainThread()) RunPendingEvents();
  return true;
}

std::wstring TWaveAudioIO::DeviceName() {
  std::wstring name;
  GetDeviceName(fDeviceID, name);
  return name;
}

std::wstring TWaveAudioIO::ErrorText(MMRESULT code) {
  wchar_t text[256] = L"";
  if (GetErrorText(code, text, 256) != MMSYSERR_NOERROR) return L"";
  return text;
}

MMRESULT TWaveAudioIO::CheckDevice(int id) {
  std::wstring name;
  return GetDeviceName(id, name);
}

MMRESULT TWaveAudioIO::QueryDevice(const TWaveFormatEx& format) { return OpenWave(&format, 0, WAVE_FORMAT_QUERY); }

bool TWaveAudioIO::OpenDevice() {
  const wchar_t alreadyOpen[] = L"Device is aleardy open";
  if (fReopen == TReopen::Refuse && Active()) throw EWaveAudioInvalidOperation(alreadyOpen);
  if (fOpening) return false;
  if (fClosing) WaitForStop();
  if (Active()) throw EWaveAudioInvalidOperation(alreadyOpen);
  std::lock_guard<TRecursiveLock> lock(CS);
  fOpening = true;
  struct TOpening {
    std::atomic<bool>& flag;
    ~TOpening() { flag = false; }
  } opening{fOpening};

  TWaveFormatEx scratch{};
  const TWaveFormatEx* format = FormatToOpen(scratch);
  // A source without a format fails like a format the device refuses.
  if (!CheckResult(format ? QueryDevice(*format) : static_cast<MMRESULT>(WAVERR_BADFORMAT))) return false;
  WaveFormat = *format;
  WaveFormat.cbSize = 0;
  CreateCallback();
  fHandleClosed = false;
  try {
    if (CheckResult(OpenWave(format, CallbackTarget(), CALLBACK_THREAD))) return true;
  } catch (...) {
    ReleaseCallback();
    throw;
  }
  ReleaseCallback();
  return false;
}

bool TWaveAudioIO::OpenDeviceWith(std::unique_ptr<TWaveStreamAdapter>& slot,
                                  std::unique_ptr<TWaveStreamAdapter> adapter) {
  if (Active()) {
    CloseDevice();
    Sleep(0);
  }
  slot = std::move(adapter);
  try {
    if (OpenDevice()) return true;
  } catch (...) {
    slot.reset();
    throw;
  }
  slot.reset();
  return false;
}

bool TWaveAudioIO::CloseDevice() {
  if (fClosing) return false;
  if (fOpening) WaitForStart();
  if (!Active()) throw EWaveAudioInvalidOperation(L"Device is aleardy close");
  std::lock_guard<TRecursiveLock> lock(CS);
  fClosing = true;
  try {
    if (!CheckResult(ResetDevice())) {
      fClosing = false;
      return false;
    }
    return BufferTotal() > 0 || CheckResult(CloseHandleOnce());
  } catch (...) {
    fClosing = false;
    throw;
  }
}

MMRESULT TWaveAudioIO::CloseHandleOnce() {
  if (fHandleClosed) return MMSYSERR_NOERROR;
  fHandleClosed = true;
  const MMRESULT result = CloseDeviceHandle();
  if (result != MMSYSERR_NOERROR) {
    WriteLog(L"TWaveAudioIO the device refused to close (" + std::to_wstring(result) + L"), it is let go");
    HandleMessage(CloseMessage(), 0);
  }
  return result;
}

void TWaveAudioIO::FireError() { throw EWaveAudioSysError(ErrorText(fLastError)); }

bool TWaveAudioIO::CheckResult(MMRESULT code) {
  fLastError = code;
  if (code == MMSYSERR_NOERROR) return true;
  FireError();
  return false;
}

void TWaveAudioIO::DeviceOpened() {
  fOpening = false;
  QueueInitialBuffers();
  Deliver([this] {
    if (OnActivate) OnActivate(*this);
  });
}

void TWaveAudioIO::DeviceClosed() {
  FireLevel(nullptr, 0);
  // The channel goes before the flag clears, so that a waiter never sees the component active and not closing.
  ReleaseCallback();
  fClosing = false;
  FreeAllBuffers();
  Deliver([this] {
    if (OnDeactivate) OnDeactivate(*this);
  });
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

TWaveBuffer* TWaveAudioIO::AllocateBuffer(size_t size) {
  auto buffer = std::make_unique<TWaveBuffer>();
  buffer->Resize(size);
  buffer->header.dwUser = reinterpret_cast<DWORD_PTR>(this);
  fBuffers.push_back(std::move(buffer));
  return fBuffers.back().get();
}

void TWaveAudioIO::ReleaseBuffer(TWaveBuffer* buffer) {
  fBuffers.erase(std::remove_if(fBuffers.begin(), fBuffers.end(),
                                [buffer](const std::unique_ptr<TWaveBuffer>& item) { return item.get() == buffer; }),
                 fBuffers.end());
}

void TWaveAudioIO::HandleBuffer(TWaveBuffer*& buffer, const std::function<void()>& handling) {
  try {
    handling();
  } catch (...) {
    if (buffer) {
      if (buffer->header.dwFlags & WHDR_PREPARED) UnprepareHeader(buffer->header);
      ReleaseBuffer(buffer);
    }
    if (fClosing && BufferTotal() == 0) CloseHandleOnce();
    throw;
  }
  if (fClosing && BufferTotal() == 0) CheckResult(CloseHandleOnce());
}

void TWaveAudioIO::FreeAllBuffers() {
  // A buffer still queued belongs to a driver that refused to give it back: it is left to the driver, not freed.
  for (auto& buffer : fBuffers)
    if (buffer->header.dwFlags & WHDR_INQUEUE) static_cast<void>(buffer.release());
  fBuffers.clear();
}

TWaveBuffer* TWaveAudioIO::BufferOf(WAVEHDR* header) {
  for (const auto& buffer : fBuffers)
    if (&buffer->header == header) return buffer.get();
  return nullptr;
}
