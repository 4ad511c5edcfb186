#pragma once
// The wave device engine shared by input and output: device selection, the callback channel (a thread of
// its own), the buffer ring, the message dispatch under one lock, and the waits.
//
// The devices are opened with CALLBACK_THREAD, never with a callback function: the driver only posts
// messages, and every wave call happens on the channel's thread while a message is handled (wave calls from
// inside a driver callback can deadlock). The events run on that thread for an asynchronous component; for
// the others (window components, which belong to the main thread) they are handed to the main thread in order.
// No event reaches a component's owner once the component's destruction has begun.
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/WaveUtils.h"
#include "base/untHandle.h"
#include "base/untMainThread.h"

class EWaveAudioError : public std::runtime_error {
 public:
  explicit EWaveAudioError(const std::wstring& message);
  const std::wstring& Message() const { return fMessage; }

 private:
  std::wstring fMessage;
};
// A device call failed; the message is the device's error text.
class EWaveAudioSysError : public EWaveAudioError {
 public:
  using EWaveAudioError::EWaveAudioError;
};
// The component was misused.
class EWaveAudioInvalidOperation : public EWaveAudioError {
 public:
  using EWaveAudioError::EWaveAudioError;
};

class TWaveAudioIO;
using TWaveAudioEvent = std::function<void(TWaveAudioIO& sender)>;
using TWaveAudioLevelEvent = std::function<void(TWaveAudioIO& sender, int level)>;

// One header of the ring with its data block, which stays with it between uses.
struct TWaveBuffer {
  WAVEHDR header{};
  std::vector<uint8_t> data;
  // Only while the header is not prepared.
  void Resize(size_t size);
};

class TWaveThread;
class TWaveStreamAdapter;

class TWaveAudioIO {
 public:
  TWaveAudioIO(const TWaveAudioIO&) = delete;
  TWaveAudioIO& operator=(const TWaveAudioIO&) = delete;
  virtual ~TWaveAudioIO();

  int DeviceID() const { return fDeviceID; }
  // Tries the device first; raises EWaveAudioSysError (and keeps the old id) when it does not exist.
  void SetDeviceID(int id);
  std::wstring DeviceName();
  uint16_t BufferLength() const { return fBufferLength; }
  void SetBufferLength(uint16_t ms) { fBufferLength = ms < 10 ? 10 : ms; }
  uint16_t BufferCount() const { return fBufferCount; }
  void SetBufferCount(uint16_t count) { fBufferCount = count; }
  // Events on the callback thread (true) or handed to the main thread (false); ignored while active.
  void SetAsync(bool async);
  bool Active() const { return fCallback.load() != 0; }
  MMRESULT LastError() const { return fLastError; }

  // Returns once an open under way has finished.
  void WaitForStart();
  // After a close it returns once the close has been handled; on the main thread, the close's events have run.
  bool WaitForStop();

  TWaveAudioEvent OnActivate, OnDeactivate;
  TWaveAudioLevelEvent OnLevel;
  // The user's own value, never read by the component (the bridge keeps a recording's peak level in it). Atomic:
  // the level event writes it on the callback thread while its user reads it.
  std::atomic<int> Tag{0};

 protected:
  // How an open meets a device that is still open: refused at once, or only once a close under way has
  // finished (an open under way makes either return false).
  enum class TReopen { Refuse, AfterClose };
  explicit TWaveAudioIO(TReopen reopen);
  // Every concrete component calls this first in its destructor, while its overrides still work:
  // stops the device and waits until the close has been handled. From here on no event fires.
  void Shutdown();

  virtual void HandleInputOpen() { DeviceOpened(); }
  virtual void HandleInputClose() { DeviceClosed(); }
  virtual void HandleInputData(WAVEHDR*) {}
  virtual void HandleOutputOpen() { DeviceOpened(); }
  virtual void HandleOutputClose() { DeviceClosed(); }
  virtual void HandleOutputDone(WAVEHDR*) {}

  std::wstring ErrorText(MMRESULT code);
  MMRESULT CheckDevice(int id);
  MMRESULT QueryDevice(const TWaveFormatEx& format);
  bool OpenDevice();
  // Opens the device with the adapter as its source or target, first closing a running device; the adapter
  // stays in `slot` while the device uses it and goes again when the open fails.
  bool OpenDeviceWith(std::unique_ptr<TWaveStreamAdapter>& slot, std::unique_ptr<TWaveStreamAdapter> adapter);
  // Resets the device, which returns every queued buffer; the last one back closes it.
  bool CloseDevice();
  // The one way the handle is closed: once per open. A close the device refuses brings no close message, so
  // the close is handled here and nothing is left waiting for it.
  MMRESULT CloseHandleOnce();
  // The record to open with (18 + cbSize bytes), or null when there is none; scratch may hold it.
  virtual const TWaveFormatEx* FormatToOpen(TWaveFormatEx& scratch) = 0;
  virtual void QueueInitialBuffers() = 0;
  virtual void FireError();

  // The direction's own device calls; the sequences around them are shared.
  virtual MMRESULT GetErrorText(MMRESULT code, wchar_t* text, UINT size) = 0;
  // Fills name only on success.
  virtual MMRESULT GetDeviceName(int id, std::wstring& name) = 0;
  // With WAVE_FORMAT_QUERY only asks; otherwise opens into the direction's handle, which stays null on failure.
  virtual MMRESULT OpenWave(const TWaveFormatEx* format, DWORD_PTR callback, DWORD flags) = 0;
  virtual MMRESULT ResetDevice() = 0;
  virtual MMRESULT CloseDeviceHandle() = 0;
  virtual MMRESULT UnprepareHeader(WAVEHDR& header) = 0;
  virtual UINT CloseMessage() const = 0;  // MM_WIM_CLOSE or MM_WOM_CLOSE

  void DeviceOpened();
  void DeviceClosed();
  void FireLevel(const void* data, size_t size);
  // Runs an event where this component's events run, unless destruction has begun.
  void Deliver(std::function<void()> event);
  // Stores the code; unless it is 0, FireError raises the device's error.
  bool CheckResult(MMRESULT code);

  // The callback channel: created before the device is opened, released when it has closed.
  void CreateCallback();
  void ReleaseCallback();
  void PostRequest(UINT message);
  DWORD_PTR CallbackTarget() const { return fCallback.load(); }

  TWaveBuffer* AllocateBuffer(size_t size);
  void ReleaseBuffer(TWaveBuffer* buffer);
  void FreeAllBuffers();
  // The ring buffer that a returned header belongs to, or null.
  TWaveBuffer* BufferOf(WAVEHDR* header);
  size_t BufferTotal() const { return fBuffers.size(); }
  // Runs the handling of a returned buffer, which may allocate one into `buffer`; when it fails the buffer is
  // unprepared and dropped. The last buffer back closes the device when a close was asked for.
  void HandleBuffer(TWaveBuffer*& buffer, const std::function<void()>& handling);

  TRecursiveLock CS;
  std::atomic<bool> fOpening{false}, fClosing{false};
  TWaveFormatEx WaveFormat{};  // the format the device was opened with
  MMRESULT fLastError = MMSYSERR_NOERROR;
  int fDeviceID = -1;

 private:
  friend class TWaveThread;
  // Runs one driver message under the lock; what it raises goes, after the lock, to the default error display
  // where the component's events run.
  void Dispatch(UINT message, LPARAM lParam);
  void HandleMessage(UINT message, LPARAM lParam);
  void JoinThread();
  // Destruction of a device that refused its reset: the handle is closed all the same, once, so that the close
  // is handled and the callback thread ends.
  void LetGoOfRefusedDevice();
  // Main thread: runs the events handed over so far, in order.
  void RunPendingEvents();

  const TReopen fReopen;
  bool fAsync = false;
  uint16_t fBufferLength = 1000;
  uint16_t fBufferCount = 2;
  std::atomic<DWORD_PTR> fCallback{0};
  bool fHandleClosed = false;  // the current open's handle has been closed (or its close was refused)
  std::unique_ptr<TWaveThread> fThread;
  std::vector<std::unique_ptr<TWaveBuffer>> fBuffers;

  std::atomic<bool> fDestroying{false};
  std::optional<TLiveness> fLiveness{std::in_place};  // gone once destruction has begun
  std::mutex fEventsLock;
  std::vector<std::function<void()>> fPendingEvents;  // handed to the main thread, not yet run
};

// The callback thread of one asynchronous component: its message queue receives the driver's messages.
class TWaveThread {
 public:
  explicit TWaveThread(TWaveAudioIO& waveAudioIO);
  TWaveThread(const TWaveThread&) = delete;
  TWaveThread& operator=(const TWaveThread&) = delete;
  ~TWaveThread();  // waits for the thread to end
  DWORD ThreadId() const { return fThreadId; }
  HANDLE ThreadHandle() const { return fThreadHandle.Get(); }
  HANDLE ThreadEvent() const { return fThreadEvent.Get(); }

 private:
  static DWORD WINAPI Execute(void* parameter);

  TWaveAudioIO& WaveAudioIO;
  TKernelHandle fThreadEvent;  // set once the thread's message queue exists
  TKernelHandle fThreadHandle;
  DWORD fThreadId = 0;
};

// The winmm functions of one direction: wave-in and wave-out differ in these and in their handle type. Every wave
// call of the components goes through one of the two tables below, which hold the real functions; a test puts
// its own in their place to make a call fail.
template <typename Handle, typename Caps>
struct TWaveCalls {
  UINT(WINAPI* getNumDevs)();
  MMRESULT(WINAPI* getErrorText)(MMRESULT, LPWSTR, UINT);
  MMRESULT(WINAPI* getDevCaps)(UINT_PTR, Caps*, UINT);
  MMRESULT(WINAPI* open)(Handle*, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT(WINAPI* prepareHeader)(Handle, LPWAVEHDR, UINT);
  MMRESULT(WINAPI* queue)(Handle, LPWAVEHDR, UINT);  // waveInAddBuffer or waveOutWrite
  MMRESULT(WINAPI* unprepareHeader)(Handle, LPWAVEHDR, UINT);
  MMRESULT(WINAPI* start)(Handle);  // waveInStart or waveOutRestart
  MMRESULT(WINAPI* reset)(Handle);
  MMRESULT(WINAPI* close)(Handle);
  UINT closeMessage;
};
using TWaveInCalls = TWaveCalls<HWAVEIN, WAVEINCAPSW>;
using TWaveOutCalls = TWaveCalls<HWAVEOUT, WAVEOUTCAPSW>;
extern TWaveInCalls WaveInCalls;
extern TWaveOutCalls WaveOutCalls;

// One direction's device: the engine's device calls made through the direction's table.
template <typename Handle, typename Caps>
class TWaveDevice : public TWaveAudioIO {
 public:
  static UINT NumDevs() { return Calls().getNumDevs(); }

 protected:
  explicit TWaveDevice(TReopen reopen) : TWaveAudioIO(reopen) {}

  static const TWaveCalls<Handle, Caps>& Calls();

  MMRESULT GetErrorText(MMRESULT code, wchar_t* text, UINT size) override {
    return Calls().getErrorText(code, text, size);
  }
  MMRESULT GetDeviceName(int id, std::wstring& name) override {
    Caps caps{};
    const MMRESULT result = Calls().getDevCaps(static_cast<UINT_PTR>(id), &caps, sizeof caps);
    if (result == MMSYSERR_NOERROR) name = caps.szPname;
    return result;
  }
  MMRESULT OpenWave(const TWaveFormatEx* format, DWORD_PTR callback, DWORD flags) override {
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    const MMRESULT result = Calls().open(query ? nullptr : &fHandle, static_cast<UINT>(fDeviceID),
                                         reinterpret_cast<const WAVEFORMATEX*>(format), callback, 0, flags);
    if (!query && result != MMSYSERR_NOERROR) fHandle = nullptr;
    return result;
  }
  MMRESULT PrepareHeader(WAVEHDR& header) { return Calls().prepareHeader(fHandle, &header, sizeof header); }
  MMRESULT QueueHeader(WAVEHDR& header) { return Calls().queue(fHandle, &header, sizeof header); }
  MMRESULT StartDevice() { return Calls().start(fHandle); }
  MMRESULT ResetDevice() override { return Calls().reset(fHandle); }
  MMRESULT CloseDeviceHandle() override { return Calls().close(fHandle); }
  MMRESULT UnprepareHeader(WAVEHDR& header) override {
    return Calls().unprepareHeader(fHandle, &header, sizeof header);
  }
  UINT CloseMessage() const override { return Calls().closeMessage; }

  Handle fHandle = nullptr;
};

template <>
inline const TWaveInCalls& TWaveDevice<HWAVEIN, WAVEINCAPSW>::Calls() {
  return WaveInCalls;
}
template <>
inline const TWaveOutCalls& TWaveDevice<HWAVEOUT, WAVEOUTCAPSW>::Calls() {
  return WaveOutCalls;
}

// Waits for the handle while handling the thread's messages (keyboard and mouse input is dropped);
// false when the time ran out, the wait failed or WM_QUIT came.
bool WaitWithMessages(HANDLE handle, DWORD timeoutMs);
