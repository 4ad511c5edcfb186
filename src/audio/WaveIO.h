#pragma once
// The wave device engine shared by input and output: device selection, the callback channel (a thread of
// its own), the ring of headers, the message dispatch under one lock, the way down and the waits.
//
// The devices are opened with CALLBACK_THREAD, never with a callback function: the driver only posts
// messages, and every wave call happens on the channel's thread while a message is handled (wave calls from
// inside a driver callback can deadlock). The events run on that thread for an asynchronous component; for
// the others (window components, which belong to the main thread) they are handed to the main thread in order.
// No event reaches a component's owner once the component's destruction has begun.
//
// The ring: BufferCount headers of BufferLength milliseconds, made and prepared when the device reports its
// open, queued, returned and queued again, unprepared when the last one is back after a stop (or at the end of
// the data), freed when the device reports its close. Every way down ends in ReleaseDevice, once per open.
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

// The winmm functions of one direction, its handle passed as HWAVE (the wave-in and wave-out handles differ only
// in their type). Every wave call of the components goes through one of the two tables (WaveIn.h, WaveOut.h),
// which hold the real functions; a test puts its own in their place to make a call fail.
struct TWaveCalls {
  UINT (*getNumDevs)();
  MMRESULT (*getErrorText)(MMRESULT code, LPWSTR text, UINT size);
  MMRESULT (*getDeviceName)(UINT id, std::wstring& name);  // fills name only on success
  // Without a handle (WAVE_FORMAT_QUERY) it only asks whether the device takes the format.
  MMRESULT (*open)(HWAVE* handle, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD flags);
  MMRESULT (*prepareHeader)(HWAVE handle, WAVEHDR* header);
  MMRESULT (*queue)(HWAVE handle, WAVEHDR* header);  // waveInAddBuffer or waveOutWrite
  MMRESULT (*unprepareHeader)(HWAVE handle, WAVEHDR* header);
  MMRESULT (*start)(HWAVE handle);  // waveInStart or waveOutRestart
  MMRESULT (*reset)(HWAVE handle);
  MMRESULT (*close)(HWAVE handle);
  UINT closeMessage;  // MM_WIM_CLOSE or MM_WOM_CLOSE
};

class TWaveAudioIO;
using TWaveAudioEvent = std::function<void(TWaveAudioIO& sender)>;
using TWaveAudioLevelEvent = std::function<void(TWaveAudioIO& sender, int level)>;

// One header of the ring with its data block.
struct TWaveBuffer {
  WAVEHDR header{};
  std::vector<uint8_t> data;
  bool queued = false;  // in the driver's hands
};

class TWaveStreamAdapter;
class TWaveThread;

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
  void SetBufferCount(uint16_t count) { fBufferCount = count; }
  // Events on the callback thread (true) or handed to the main thread (false); ignored while active.
  void SetAsync(bool async);
  bool Active() const { return fCallback.load() != 0; }
  MMRESULT LastError() const { return fLastError; }

  // Returns once an open under way has finished.
  void WaitForStart();
  // After a close it returns once the close has been handled; on the main thread, the close's events have run.
  void WaitForStop();

  TWaveAudioEvent OnActivate, OnDeactivate;
  TWaveAudioLevelEvent OnLevel;
  // The user's own value, never read by the component (the bridge keeps a recording's peak level in it). Atomic:
  // the level event writes it on the callback thread while its user reads it.
  std::atomic<int> Tag{0};

 protected:
  // How an open meets a device that is still open: refused at once, or only once a close under way has
  // finished (an open under way makes either return false).
  enum class TReopen { Refuse, AfterClose };
  TWaveAudioIO(TWaveCalls& calls, TReopen reopen);
  // Every concrete component calls this first in its destructor, while its overrides still work:
  // stops the device and waits until the close has been handled. From here on no event fires.
  void Shutdown();

  virtual void HandleInputOpen() { DeviceOpened(); }
  virtual void HandleInputClose() { DeviceClosed(); }
  virtual void HandleInputData(WAVEHDR*) {}
  virtual void HandleOutputOpen() { DeviceOpened(); }
  virtual void HandleOutputClose() { DeviceClosed(); }
  virtual void HandleOutputDone(WAVEHDR*) {}

  // The record to open with (18 + cbSize bytes), or null when there is none; scratch may hold it.
  virtual const TWaveFormatEx* ObtainFormat(TWaveFormatEx& scratch) = 0;
  // Sets the prepared ring going.
  virtual void QueueInitialBuffers() = 0;

  // Opens the device with the adapter as its source or target, first closing a running device; the adapter
  // stays in `slot` while the device uses it and goes again when the open fails.
  bool OpenDeviceWith(std::unique_ptr<TWaveStreamAdapter>& slot, std::unique_ptr<TWaveStreamAdapter> adapter);
  // Resets the device, which returns every queued header; the last one back releases the device.
  bool CloseDevice();
  // Stores the code; unless it is 0, raises the device's error text.
  void CheckResult(MMRESULT code);

  // On the open message: makes and prepares the ring, sets it going, then fires OnActivate.
  void DeviceOpened();
  // On the close message: level 0, the channel and the ring go, then OnDeactivate.
  void DeviceClosed();
  void FireLevel(const void* data, size_t size);
  // Posts a request of the component's own (the output's fill requests) to its callback thread.
  void PostRequest(UINT message);

  void QueueBuffer(TWaveBuffer& buffer);
  // The ring header that the driver gave back, or null.
  TWaveBuffer* BufferBack(WAVEHDR* header);
  // A ring header that is not in the driver's hands, or null.
  TWaveBuffer* FreeBuffer();
  bool AnyQueued() const;
  // Runs the handling of a returned header; when a stop was asked for, the last one back releases the device.
  void HandleBuffer(const std::function<void()>& handling);
  // The one way a device goes, once per open: the headers back from the driver are unprepared and the handle is
  // closed. A close the device refuses brings no close message, so the close is handled here and nothing is
  // left waiting for it. Returns the first refusal.
  MMRESULT ReleaseDevice();

  TWaveCalls& fCalls;
  HWAVE fHandle = nullptr;
  std::atomic<bool> fClosing{false};
  std::vector<TWaveBuffer> fRing;

 private:
  friend class TWaveThread;
  // Runs one driver message under the lock; what it raises goes, after the lock, to the default error display
  // where the component's events run.
  void Dispatch(UINT message, LPARAM lParam);
  void HandleMessage(UINT message, LPARAM lParam);
  void OpenDevice();
  std::wstring ErrorText(MMRESULT code);
  // The callback channel: created before the device is opened, released when it has closed.
  void CreateCallback();
  void ReleaseCallback();
  void JoinThread();
  // Runs an event where this component's events run, unless destruction has begun.
  void Deliver(std::function<void()> event);
  // Main thread: runs the events handed over so far, in order.
  void RunPendingEvents();

  TRecursiveLock CS;
  std::atomic<bool> fOpening{false};
  TWaveFormatEx WaveFormat{};  // the format the device was opened with
  MMRESULT fLastError = MMSYSERR_NOERROR;
  int fDeviceID = -1;
  const TReopen fReopen;
  bool fAsync = false;
  uint16_t fBufferLength = 1000;
  uint16_t fBufferCount = 2;
  std::atomic<DWORD_PTR> fCallback{0};
  bool fHandleClosed = false;  // the current open's handle has been closed (or its close was refused)
  std::unique_ptr<TWaveThread> fThread;

  std::atomic<bool> fDestroying{false};
  std::optional<TLiveness> fLiveness{std::in_place};  // gone once destruction has begun
  std::mutex fEventsLock;
  std::vector<std::function<void()>> fPendingEvents;  // handed to the main thread, not yet run
};

// The callback thread of one component: its message queue receives the driver's messages.
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

// Waits for the handle while handling the thread's messages (keyboard and mouse input is dropped);
// false when the time ran out, the wait failed or WM_QUIT came.
bool WaitWithMessages(HANDLE handle, DWORD timeoutMs);
