#pragma once
// The client's and the Flash player's update: the check against the platform's update description, the choice
// of a setup program, its download in the download window, its digest and signature checks and its start. A
// started setup ends the client. The main window hosts it and keeps only forwards.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/untSettings.h"
#include "update/untSetupSignature.h"
#include "update/untTransferThread.h"
#include "update/untUpdateRules.h"

// What the flow needs of the window that hosts it.
class IUpdateHost {
 public:
  virtual HWND OwnerWindow() = 0;  // of the download window and the messages
  virtual int MsgBox(const std::wstring& text, UINT types) = 0;
  virtual void CloseForUpdate() = 0;  // a setup has started: the client ends

 protected:
  ~IUpdateHost() = default;
};

// Who signed the client and a downloaded setup (see untSetupSignature.h); tests put in their own answers where
// the system's trust provider cannot tell the cases apart.
struct TSignatureChecks {
  std::function<std::optional<std::string>()> ClientSigner = ::ClientSigner;
  std::function<std::string(const std::wstring& path, HANDLE file)> TrustedSigner = TrustedSignerOf;
};

// Deletes the setup programs an earlier update left in the application-data folder; what is missing or cannot be
// deleted is passed over.
void DeleteTempUpdateFiles();

class TUpdateFlow : public ITransferCallback {
 public:
  TUpdateFlow(IUpdateHost& host, const TTovlaneSettings& settings) : FHost(host), FSettings(settings) {}
  // A running check is stopped, and waited for, with the flow.
  ~TUpdateFlow();
  TUpdateFlow(const TUpdateFlow&) = delete;
  TUpdateFlow& operator=(const TUpdateFlow&) = delete;

  // Fetches the update description; its "over" report runs the decision. Ignored (and logged) while a check,
  // its download included, is still running.
  void StartClientUpdate();
  void TransferReportStatus(TTransferThread* ATransfer, const std::wstring& AStatus) override;
  // From the check's start until its decision, download and messages included, are done.
  bool Checking() const { return FTransferThread != nullptr; }
  // The download window's remaining-time tick, for tests; 0 keeps the window's own.
  void SetSpeedTimerInterval(UINT ms) { FSpeedTimerInterval = ms; }
  void SetSignatureChecks(TSignatureChecks checks) { FSignatureChecks = std::move(checks); }

 private:
  void DownloadAndRun(const TSetupChoice& choice);
  void RunVerifiedSetup(const std::wstring& path, const TSetupChoice& choice);

  IUpdateHost& FHost;
  const TTovlaneSettings& FSettings;
  std::unique_ptr<TTransferThread> FTransferThread;
  UINT FSpeedTimerInterval = 0;
  TSignatureChecks FSignatureChecks;
};
