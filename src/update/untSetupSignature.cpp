#include "update/untSetupSignature.h"

#include <softpub.h>
#include <wintrust.h>

#include "base/untSettings.h"

namespace {

// Ends the provider's state of a verification, which holds the signer's certificate chain until then.
struct TTrustState {
  WINTRUST_DATA& data;
  GUID& action;
  ~TTrustState() {
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  }
};

}  // namespace

std::string TrustedSignerOf(const std::wstring& path, HANDLE file) {
  WINTRUST_FILE_INFO fileInfo = {};
  fileInfo.cbStruct = sizeof(fileInfo);
  fileInfo.pcwszFilePath = path.c_str();
  fileInfo.hFile = file == INVALID_HANDLE_VALUE ? nullptr : file;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  // A classroom may have no way to the revocation lists; the check must neither wait for them nor fail for them.
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &fileInfo;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  // No owner window: the check never asks the user.
  const LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  const TTrustState state{data, action};
  if (result != ERROR_SUCCESS) return std::string();
  CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
  CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
  if (!signer || signer->csCertChain == 0 || !signer->pasCertChain || !signer->pasCertChain[0].pCert)
    return std::string();
  const CERT_CONTEXT* certificate = signer->pasCertChain[0].pCert;
  return std::string(reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded);
}

std::optional<std::string> ClientSigner() {
  // The loaded image's headers tell whether its file carries a certificate table, without touching the file.
  const auto* image = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
  if (nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size == 0) return std::nullopt;
  return TrustedSignerOf(ExecutableFileName(), nullptr);
}
