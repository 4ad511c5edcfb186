#include "update/untTransferThread.h"

#include <stdexcept>
#include <string_view>

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "base/untMessages.h"
#include "base/untText.h"

TTransferThread::TTransferThread(std::wstring AName, ITransferCallback* AInterface)
    : FName(std::move(AName)), FCallback(AInterface) {
  FIdHTTP.HandleRedirects = true;
  FIdHTTP.ConnectTimeout = 20000;
  FIdHTTP.ReadTimeout = 60000;
  for (const auto& [name, value] : kHttpIdentityHeaders) FIdHTTP.SetRequestHeader(name, value);
  FIdHTTP.SetRequestHeader("Cache-control", "no-cache");
  FIdHTTP.OnProgress = [this](int64_t received, int64_t expected) { return IdHTTPWork(received, expected); };
}

TTransferThread::~TTransferThread() { WaitFor(); }

void TTransferThread::AttachResponseStream(TStream* AStream) {
  FOwnedResponseStream.reset();
  FResponseStream = AStream;
}

void TTransferThread::Start() {
  if (FThread) throw std::logic_error("a transfer is started once");
  if (!FResponseStream) {
    FOwnedResponseStream = std::make_unique<TMemoryStream>();
    FResponseStream = FOwnedResponseStream.get();
  }
  DWORD id = 0;
  FThread.Reset(CreateThread(nullptr, 0, ThreadEntry, this, 0, &id));
  if (!FThread) throw std::runtime_error("the transfer thread cannot be started");
}

void TTransferThread::AbortHttpRequest() {
  // The flag first: a GET that returns normally from here on still does not count as a success.
  FAborted = true;
  FIdHTTP.Disconnect();
}

void TTransferThread::WaitFor() {
  if (FThread) WaitForSingleObject(FThread.Get(), INFINITE);
}

DWORD WINAPI TTransferThread::ThreadEntry(void* self) {
  try {
    static_cast<TTransferThread*>(self)->Execute();
  } catch (...) {
    WriteLog(L"TTransferThread exception: " + CurrentErrorText());
  }
  return 0;
}

void TTransferThread::Execute() {
  WriteLog(L"TTransferThread begin");
  try {
    FIdHTTP.Get(WideToAnsi(FUrl), *FResponseStream);
    WriteLog(L"TTransferThread after get");
    if (!FAborted) FSucceeded = true;
  } catch (...) {
    WriteLog(L"TTransferThread exception: " + CurrentErrorText());
  }
  WriteLog(L"TTransferThread report status over ...");
  CallbackReportStatus(kTransferOver);
  WriteLog(L"TTransferThread end");
}

bool TTransferThread::IdHTTPWork(int64_t received, int64_t expected) {
  WorkCountMax = static_cast<int32_t>(static_cast<uint32_t>(expected));
  WorkCount = static_cast<int32_t>(static_cast<uint32_t>(received));
  CallbackReportStatus(kTransferWorking);
  return !FAborted;
}

void TTransferThread::CallbackReportStatus(const wchar_t* AStatus) {
  const bool working = std::wstring_view(AStatus) == kTransferWorking;
  if (working && FWorkingQueued.exchange(true)) return;
  Queue(
      [this, working, status = std::wstring(AStatus)] {
        if (working) FWorkingQueued = false;
        FCallback->TransferReportStatus(this, status);
      },
      FLiveness.Token());
}
