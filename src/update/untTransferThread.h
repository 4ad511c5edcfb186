#pragma once
// One HTTP GET on a background thread, its body written into a stream, with "working" and "over" reports handed
// to the main thread in order. The owner creates it, sets it up, starts it once and destroys it after "over".
//
// Reports are queued with the transfer's life token, so that a report still waiting when the owner destroys the
// transfer is dropped instead of reaching a callback that may be gone too. At most one "working" report waits at
// a time: it reads the counters when it runs, so a fast body does not fill the queue with reports of the past.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Streams.h"
#include "base/untHandle.h"
#include "base/untMainThread.h"
#include "support/http/HttpClient.h"

class TTransferThread;

inline constexpr wchar_t kTransferWorking[] = L"working";
inline constexpr wchar_t kTransferOver[] = L"over";

class ITransferCallback {
 public:
  // On the main thread: "working" any number of times while the body arrives, then "over" once.
  virtual void TransferReportStatus(TTransferThread* ATransfer, const std::wstring& AStatus) = 0;

 protected:
  ~ITransferCallback() = default;
};

class TTransferThread {
 public:
  // Main thread. The callback is not owned and must outlive the transfer's reports (or the transfer).
  TTransferThread(std::wstring AName, ITransferCallback* AInterface);
  // Waits for the thread body to end; reports not yet delivered are dropped.
  ~TTransferThread();
  TTransferThread(const TTransferThread&) = delete;
  TTransferThread& operator=(const TTransferThread&) = delete;

  const std::wstring& Name() const { return FName; }
  const std::wstring& Url() const { return FUrl; }
  void SetUrl(std::wstring AUrl) { FUrl = std::move(AUrl); }
  // Set up for the transfer's use before Start: 20 s to connect, 60 s between pieces; the whole request's
  // limit (RequestTimeout) is the owner's choice.
  THttpClient& IdHTTP() { return FIdHTTP; }

  // The body goes into AStream at its position; the stream stays the caller's, and must outlive the transfer.
  void AttachResponseStream(TStream* AStream);
  // Without an attached stream, Start gives the transfer a memory stream of its own; after "over" its position
  // is at the end of the body.
  TStream* ResponseStream() const { return FResponseStream; }

  // Once; raises std::runtime_error when the thread cannot be made (the transfer then never reports).
  void Start();
  // Main thread, at any stage: the GET ends promptly (also one not yet begun) and the transfer never succeeds.
  void AbortHttpRequest();
  // Until the thread body has ended.
  void WaitFor();

  // True once the GET returned normally without an abort; read after "over".
  bool Succeeded() const { return FSucceeded; }
  bool Aborted() const { return FAborted; }

  // Written by the transfer thread only, each one 32-bit store; the main thread reads them without a lock and
  // may see a value one piece old. The low 32 bits of the client's 64-bit counts.
  std::atomic<int32_t> WorkCountMax{0};  // the announced size of the body, 0 when unknown
  std::atomic<int32_t> WorkCount{0};     // bytes of the body received so far

 private:
  static DWORD WINAPI ThreadEntry(void* self);
  void Execute();
  bool IdHTTPWork(int64_t received, int64_t expected);
  void CallbackReportStatus(const wchar_t* AStatus);

  std::wstring FName;
  THttpClient FIdHTTP;
  std::atomic<bool> FSucceeded{false};
  std::atomic<bool> FAborted{false};
  std::wstring FUrl;
  ITransferCallback* FCallback;
  TStream* FResponseStream = nullptr;
  std::unique_ptr<TMemoryStream> FOwnedResponseStream;
  std::atomic<bool> FWorkingQueued{false};
  TKernelHandle FThread;
  TLiveness FLiveness;
};
