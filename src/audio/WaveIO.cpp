#include "audio/WaveIO.h"

#include <algorithm>

#include "audio/WaveStorage.h"
#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untText.h"

namespace {

const wchar_t kCallbackWindowClass[] = L"TWaveAudioIOCallback";
const UINT kMouseLast = 0x020E;  // WM_MOUSEHWHEEL, which the XP headers do not declare

}  // namespace

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

TWaveAudioIO::~TWaveAudioIO() {
  if (fWindow) DestroyWindow(fWindow);
}

void TWaveAudioIO::Shutdown() {
  try {
    if (Active() && !fClosing) CloseDevice();
  } catch (const std::exception& error) {
    WriteLog(L"TWaveAudioIO close on destruction: " + AnsiToWide(error.what()));
  }
  WaitForStop();
  if (!Active()) JoinThread();
}

void TWaveAudioIO::SetDeviceID(int id) {
  if (id == fDeviceID) return;
  if (Active()) throw EWaveAudioInvalidOperation(L"DeviceID cannot be changed while device is open");
  if (CheckResult(CheckDevice(id))) fDeviceID = id;
}

void TWaveAudioIO::SetAsync(bool async) {
  if (!Active()) fAsync = async;
}

bool TWaveAudioIO::WaitForStart() {
  // An open holds the lock until it has finished.
  std::lock_guard<std::recursive_mutex> lock(CS);
  return true;
}

bool TWaveAudioIO::WaitForStop() {
  if (fThread) {
    if (Active() && !fClosing) return true;
    if (GetCurrentThreadId() != fThread->ThreadId()) {
      WaitWithMessages(fThread->ThreadHandle(), INFINITE);
      JoinThread();
    }
    return true;
  }
  MSG message;
  while (fClosing && fWindow && GetMessageW(&message, fWindow, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
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
  std::lock_guard<std::recursive_mutex> lock(CS);
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
  try {
    if (CheckResult(OpenWave(format, CallbackTarget(), CallbackType()))) return true;
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
  std::lock_guard<std::recursive_mutex> lock(CS);
  fClosing = true;
  try {
    if (!CheckResult(ResetDevice())) {
      fClosing = false;
      return false;
    }
    return BufferTotal() > 0 || CheckResult(CloseDeviceHandle());
  } catch (...) {
    fClosing = false;
    throw;
  }
}

void TWaveAudioIO::FireError() {
  if (OnError) {
    OnError(*this);
    return;
  }
  throw EWaveAudioSysError(ErrorText(fLastError));
}

bool TWaveAudioIO::CheckResult(MMRESULT code) {
  fLastError = code;
  if (code == MMSYSERR_NOERROR) return true;
  FireError();
  return false;
}

void TWaveAudioIO::DeviceOpened() {
  fOpening = false;
  QueueInitialBuffers();
  if (OnActivate) OnActivate(*this);
}

void TWaveAudioIO::DeviceClosed() {
  FireLevel(nullptr, 0);
  // The channel goes before the flag clears, so that a waiter never sees the component active and not closing.
  ReleaseCallback();
  fClosing = false;
  FreeAllBuffers();
  if (OnDeactivate) OnDeactivate(*this);
}

void TWaveAudioIO::FireLevel(const void* data, size_t size) {
  if (OnLevel && WaveFormat.wFormatTag == WAVE_FORMAT_PCM_TAG) OnLevel(*this, ComputePeakLevel(data, size, WaveFormat));
}

void TWaveAudioIO::JoinThread() {
  if (fThread && GetCurrentThreadId() != fThread->ThreadId()) fThread.reset();
}

void TWaveAudioIO::CreateCallback() {
  JoinThread();  // the previous recording's thread has been told to end
  if (fAsync) {
    fThread = std::make_unique<TWaveThread>(*this);
    WaitWithMessages(fThread->ThreadEvent(), INFINITE);
    fCallbackType = CALLBACK_THREAD;
    fCallback = fThread->ThreadId();
    return;
  }
  static const ATOM windowClass = [] {
    WNDCLASSW info{};
    info.lpfnWndProc = WindowProc;
    info.hInstance = GetModuleHandleW(nullptr);
    info.lpszClassName = kCallbackWindowClass;
    return RegisterClassW(&info);
  }();
  fWindow = CreateWindowExW(0, MAKEINTATOM(windowClass), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), this);
  if (!fWindow) throw EWaveAudioSysError(L"Cannot create the callback window");
  fCallbackType = CALLBACK_WINDOW;
  fCallback = reinterpret_cast<DWORD_PTR>(fWindow);
}

void TWaveAudioIO::ReleaseCallback() {
  if (fThread) {
    while (!PostThreadMessageW(fThread->ThreadId(), WM_QUIT, 0, 0) &&
           WaitForSingleObject(fThread->ThreadHandle(), 0) == WAIT_TIMEOUT)
      Sleep(0);
  } else if (fWindow) {
    const HWND window = fWindow;
    fWindow = nullptr;
    DestroyWindow(window);
  }
  fCallback = 0;
}

void TWaveAudioIO::PostRequest(UINT message) {
  if (fThread) {
    while (!PostThreadMessageW(fThread->ThreadId(), message, 0, 0) &&
           WaitForSingleObject(fThread->ThreadHandle(), 0) == WAIT_TIMEOUT)
      Sleep(0);
  } else if (fWindow) {
    PostMessageW(fWindow, message, 0, 0);
  }
}

LRESULT CALLBACK TWaveAudioIO::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TWaveAudioIO*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->Dispatch(message, lParam)) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

bool TWaveAudioIO::Dispatch(UINT message, LPARAM lParam) {
  if (message != MM_WOM_OPEN && message != MM_WOM_CLOSE && message != MM_WOM_DONE && message != MM_WIM_OPEN &&
      message != MM_WIM_CLOSE && message != MM_WIM_DATA)
    return false;
  std::lock_guard<std::recursive_mutex> lock(CS);
  try {
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
      default:
        HandleInputData(header);
        break;
    }
  } catch (const std::exception& error) {
    ReportError(nullptr, error);
  }
  return true;
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
    if (fClosing && BufferTotal() == 0) CloseDeviceHandle();
    throw;
  }
  if (fClosing && BufferTotal() == 0) CheckResult(CloseDeviceHandle());
}

void TWaveAudioIO::FreeAllBuffers() { fBuffers.clear(); }

TWaveBuffer* TWaveAudioIO::BufferOf(WAVEHDR* header) {
  for (const auto& buffer : fBuffers)
    if (&buffer->header == header) return buffer.get();
  return nullptr;
}
