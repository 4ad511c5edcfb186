#pragma once
// The wave device engine shared by input and output: device selection, the callback channel (a thread of
// its own or a hidden window), the buffer ring, the message dispatch under one lock, and the waits.
//
// The devices are opened with CALLBACK_THREAD or CALLBACK_WINDOW, never with a callback function: the driver
// only posts messages, and every wave call happens on the channel's thread while a message is handled
// (wave calls from inside a driver callback can deadlock).
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/WaveUtils.h"

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

class TWaveAudioIO {
 public:
  TWaveAudioIO(const TWaveAudioIO&) = delete;
  TWaveAudioIO& operator=(const TWaveAudioIO&) = delete;
  virtual ~TWaveAudioIO();

  int DeviceID() const { return fDeviceID; }
  // Tries the device first; raises EWaveAudioSysError (and keeps the old id) when it does not exist.
  void SetDeviceID(int id);
  virtual std::wstring DeviceName() = 0;
  uint16_t BufferLength() const { return fBufferLength; }
  void SetBufferLength(uint16_t ms) { fBufferLength = ms < 10 ? 10 : ms; }
  uint16_t BufferCount() const { return fBufferCount; }
  void SetBufferCount(uint16_t count) { fBufferCount = count; }
  bool Async() const { return fAsync; }
  void SetAsync(bool async);
  bool Active() const { return fCallback.load() != 0; }
  MMRESULT LastError() const { return fLastError; }
  std::wstring LastErrorText() { return ErrorText(fLastError); }

  bool WaitForStart();
  bool WaitForStop();
  bool Query(const TWaveFormatEx& format);
  bool QueryPCM(TPCMFormat preset);

  TWaveAudioEvent OnActivate, OnDeactivate, OnError;
  TWaveAudioLevelEvent OnLevel;

 protected:
  TWaveAudioIO();
  // Every concrete component calls this first in its destructor, while its overrides still work:
  // stops the device and waits until the close has been handled.
  void Shutdown();

  virtual void HandleInputOpen() { DeviceOpened(); }
  virtual void HandleInputClose() { DeviceClosed(); }
  virtual void HandleInputData(WAVEHDR*) {}
  virtual void HandleOutputOpen() { DeviceOpened(); }
  virtual void HandleOutputClose() { DeviceClosed(); }
  virtual void HandleOutputDone(WAVEHDR*) {}

  virtual std::wstring ErrorText(MMRESULT code) = 0;
  virtual MMRESULT CheckDevice(int id) = 0;
  virtual MMRESULT QueryDevice(const TWaveFormatEx& format) = 0;
  virtual bool OpenDevice() = 0;
  // Resets the device, which returns every queued buffer; the last one back closes it.
  bool CloseDevice();
  virtual MMRESULT ResetDevice() = 0;
  virtual MMRESULT CloseDeviceHandle() = 0;
  virtual void QueueInitialBuffers() = 0;
  virtual void FireError();

  void DeviceOpened();
  void DeviceClosed();
  void FireLevel(const void* data, size_t size);
  // Stores the code; false (after FireError) unless it is 0.
  bool CheckResult(MMRESULT code);

  // The callback channel: created before the device is opened, released when it has closed.
  void CreateCallback();
  void ReleaseCallback();
  void PostRequest(UINT message);
  DWORD_PTR CallbackTarget() const { return fCallback.load(); }
  DWORD CallbackType() const { return fCallbackType; }

  TWaveBuffer* AllocateBuffer(size_t size);
  void ReleaseBuffer(TWaveBuffer* buffer);
  void FreeAllBuffers();
  // The ring buffer that a returned header belongs to, or null.
  TWaveBuffer* BufferOf(WAVEHDR* header);
  size_t BufferTotal() const { return fBuffers.size(); }

  std::recursive_mutex CS;
  std::atomic<bool> fOpening{false}, fClosing{false};
  TWaveFormatEx WaveFormat{};  // the format the device was opened with
  MMRESULT fLastError = MMSYSERR_NOERROR;
  int fDeviceID = -1;

 private:
  friend class TWaveThread;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Runs one driver message under the lock; an exception is shown by the default error display.
  bool Dispatch(UINT message, LPARAM lParam);
  void JoinThread();

  bool fAsync = false;
  uint16_t fBufferLength = 1000;
  uint16_t fBufferCount = 2;
  std::atomic<DWORD_PTR> fCallback{0};
  DWORD fCallbackType = CALLBACK_NULL;
  HWND fWindow = nullptr;
  std::unique_ptr<TWaveThread> fThread;
  std::vector<std::unique_ptr<TWaveBuffer>> fBuffers;
};

// The callback thread of one asynchronous component: its message queue receives the driver's messages.
class TWaveThread {
 public:
  explicit TWaveThread(TWaveAudioIO& waveAudioIO);
  TWaveThread(const TWaveThread&) = delete;
  TWaveThread& operator=(const TWaveThread&) = delete;
  ~TWaveThread();  // waits for the thread to end
  DWORD ThreadId() const { return fThreadId; }
  HANDLE ThreadHandle() const { return fThreadHandle; }
  HANDLE ThreadEvent() const { return fThreadEvent; }

 private:
  static DWORD WINAPI Execute(void* parameter);

  TWaveAudioIO& WaveAudioIO;
  HANDLE fThreadEvent;  // set once the thread's message queue exists
  HANDLE fThreadHandle = nullptr;
  DWORD fThreadId = 0;
};

// Waits for the handle while handling the thread's messages (keyboard and mouse input is dropped);
// false when the time ran out, the wait failed or WM_QUIT came.
bool WaitWithMessages(HANDLE handle, DWORD timeoutMs);
