#include "update/untUpdateFlow.h"

#include <shlobj.h>

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "base/untHandle.h"
#include "base/untMessages.h"
#include "base/untScopeGuard.h"
#include "base/untText.h"
#include "support/crypto/FileDigest.h"
#include "update/untFormDownload.h"

namespace {

constexpr wchar_t kDescriptionTransferName[] = L"client.ini";
constexpr wchar_t kSetupTransferName[] = L"file";
// The description is a few lines: a server that drips it is given up on within this time.
constexpr int kDescriptionRequestTimeoutMs = 60000;

constexpr wchar_t kCannotRunText[] = L"无法运行更新程序。更新失败。";
constexpr wchar_t kCorruptedText[] =
    L"下载到的更新程序可能已经损坏，不能完成更新和升级。建议您再次运行 Tovlane 程序进行升级。";
constexpr wchar_t kCancelledText[] = L"您取消了更新。为了保证您的正常使用，建议您下次完成更新。";
constexpr wchar_t kDownloadFailedText[] =
    L"安装程序下载失败，可能您的网络无法正常下载更新程序。为了保证您的正常使用，建议您下次完成更新。";

std::wstring SetupFilePath(const wchar_t* fileName) { return GetSpecialFolderPath(CSIDL_APPDATA) + L"\\" + fileName; }

std::string WholeStream(TStream& stream) {
  stream.SetPosition(0);
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

}  // namespace

void DeleteTempUpdateFiles() {
  for (const wchar_t* name : {kClientSetupFileName, kFlashSetupFileName}) DeleteFileW(SetupFilePath(name).c_str());
}

TUpdateFlow::~TUpdateFlow() {
  if (FTransferThread) FTransferThread->AbortHttpRequest();
}

void TUpdateFlow::StartClientUpdate() {
  if (FTransferThread) {
    WriteLog(L"StartClientUpdate ignored: an update check is still running");
    return;
  }
  const std::wstring clientId = FSettings.ClientId();
  const std::wstring checkUrl = FSettings.ReadDebugSetting(L"OnlineCheckUrl", kDefaultOnlineCheckUrl);
  WriteLog(L"Try to download: " + checkUrl);
  try {
    auto transfer = std::make_unique<TTransferThread>(kDescriptionTransferName, this);
    transfer->SetUrl(UpdateCheckUrl(checkUrl, clientId));
    transfer->IdHTTP().RequestTimeout = kDescriptionRequestTimeoutMs;
    transfer->Start();
    FTransferThread = std::move(transfer);
  } catch (const std::exception& error) {
    // A check that cannot run is like one that fails: nothing to tell the user.
    WriteLog(L"StartClientUpdate " + AnsiToWide(error.what()));
  }
}

void TUpdateFlow::TransferReportStatus(TTransferThread* ATransfer, const std::wstring& AStatus) {
  if (AStatus != kTransferOver || ATransfer != FTransferThread.get()) return;
  // The check holds its transfer until the decision, download included, is done; a second check waits no turn.
  const TScopeGuard endCheck([this] { FTransferThread.reset(); });
  if (ATransfer->Name() != kDescriptionTransferName || !ATransfer->Succeeded()) return;
  const std::wstring text = DecodeUpdateDescription(WholeStream(*ATransfer->ResponseStream()), AnsiToWide);
  WriteLog(L"TFormMainTovlaneClient.TransferReportStatus response:" + text);
  const std::optional<TSetupChoice> choice = ChooseSetup(
      ParseUpdateDescription(text), FSettings.CurrentFlashVersion(),
      [this](const std::wstring& key, const std::wstring& byDefault) {
        return FSettings.ReadDebugSetting(key, byDefault);
      },
      WriteLog);
  if (!choice) return;
  try {
    DownloadAndRun(*choice);
  } catch (const std::exception& error) {
    // A file that cannot be read back for its digest: the setup is not run, and the user is told why.
    ReportError(FHost.OwnerWindow(), error);
  }
}

void TUpdateFlow::DownloadAndRun(const TSetupChoice& choice) {
  const std::wstring path = SetupFilePath(choice.FileName.c_str());
  DeleteFileW(path.c_str());
  // Whatever becomes of the download, the file does not stay behind; a setup that runs keeps it open, and a later
  // start removes it.
  const TScopeGuard deleteFile([&path] { DeleteFileW(path.c_str()); });
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(path, fmCreate | fmShareExclusive);
  } catch (const EStreamError& error) {
    // A folder that cannot be written fails the download before it begins.
    WriteLog(L"TFormMainTovlaneClient.TransferReportStatus " + AnsiToWide(error.what()));
    FHost.MsgBox(kDownloadFailedText, MB_ICONERROR);
    return;
  }
  TFormDownload window(FHost.OwnerWindow());
  if (FSpeedTimerInterval) window.SetSpeedTimerInterval(FSpeedTimerInterval);
  window.SetTip(choice.Message);
  window.StartDownload(kSetupTransferName, choice.DownloadUrl, file.get());
  const TModalResult result = window.ShowModal();
  file.reset();
  if (result == mrOk)
    RunVerifiedSetup(path, choice);
  else if (window.IsCanceledByUser())
    FHost.MsgBox(kCancelledText, MB_ICONINFORMATION);
  else
    FHost.MsgBox(kDownloadFailedText, MB_ICONERROR);
}

void TUpdateFlow::RunVerifiedSetup(const std::wstring& path, const TSetupChoice& choice) {
  // Held without sharing writes from the checks to the start, so that the program started is the one checked.
  const TFileHandle held(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  const std::wstring digest = GetFileMd5(path);
  WriteLog(L"Local MD5: " + digest);
  if (!Md5Matches(choice.SetupFileMd5, digest)) {
    FHost.MsgBox(kCorruptedText, MB_ICONERROR);
    return;
  }
  // An unsigned client asks the trust provider nothing.
  const std::optional<std::string> clientSigner = FSignatureChecks.ClientSigner();
  if (clientSigner && !SignatureAllowsSetup(clientSigner, FSignatureChecks.TrustedSigner(path, held.Get()))) {
    WriteLog(L"TFormMainTovlaneClient.TransferReportStatus the setup is not signed by the client's certificate");
    FHost.MsgBox(kCorruptedText, MB_ICONERROR);
    return;
  }
  // A plain start first; a setup that asks for more rights gets the elevation prompt.
  if (RunShellCommand(L"", path, L"", L"", SW_SHOW) || RunShellCommand(L"runas", path, L"", L"", SW_SHOW))
    FHost.CloseForUpdate();
  else
    FHost.MsgBox(kCannotRunText, MB_ICONERROR);
}
