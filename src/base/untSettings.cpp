#include "base/untSettings.h"

#include <windows.h>

#include <vector>

#include "base/untGlobal.h"
#include "base/untText.h"
#include "base/untVariant.h"
#include "base/untVersion.h"

namespace {

// "$version" of the Shockwave Flash control, e.g. "WIN 11,9,900,117"; empty when there is no player or the
// call fails. The control is only asked, never shown, so no site is needed.
std::wstring ReadFlashVersionVariable() {
  const CLSID ShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
  ComPtr<IDispatch> flash;
  LPOLESTR method = const_cast<LPOLESTR>(L"GetVariable");
  DISPID id = 0;
  if (FAILED(CoCreateInstance(ShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, flash.Receive())) ||
      FAILED(flash->GetIDsOfNames(IID_NULL, &method, 1, LOCALE_USER_DEFAULT, &id)))
    return std::wstring();
  TVariant argument, result;
  argument.Get()->vt = VT_BSTR;
  argument.Get()->bstrVal = SysAllocString(L"$version");
  DISPPARAMS parameters = {argument.Get(), nullptr, 1, 0};
  if (FAILED(flash->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.Get(), nullptr,
                           nullptr)) ||
      result->vt != VT_BSTR)
    return std::wstring();
  return TextOfBstr(result->bstrVal);
}

}  // namespace

std::unique_ptr<TIniFile> IniFile;
std::wstring OpenUrl;

TIniFile::TIniFile(std::wstring fileName) : fFileName(std::move(fileName)) {}

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& defaultValue) const {
  // The call reports a full buffer as size - 1: grow until the value fits.
  for (DWORD size = 256;; size *= 2) {
    std::vector<wchar_t> buffer(size);
    DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(), size,
                                            fFileName.c_str());
    if (length < size - 1 || size >= 1u << 20) return std::wstring(buffer.data(), length);
  }
}

std::wstring ExecutableFileName() {
  for (DWORD size = MAX_PATH;; size *= 2) {
    std::vector<wchar_t> buffer(size);
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length < size) return std::wstring(buffer.data(), length);
  }
}

std::wstring FileBesideExecutable(const std::wstring& name) {
  const std::wstring executable = ExecutableFileName();
  return executable.substr(0, executable.find_last_of(L"\\/") + 1) + name;
}

std::wstring SettingsFileName() { return ExecutableFileName() + L".ini"; }

void TTovlaneSettings::OpenRegistry() {
  FReg = std::make_unique<TReg>(HKEY_CURRENT_USER, KEY_READ | KEY_WRITE);
  if (!FReg->OpenKey(kRegistryKeyPath, true)) FReg.reset();
  // A value of another type counts as none stored: it could not be sent, so it is replaced, and said so (under
  // the name of the start-up step).
  if (FReg && ClientId().empty()) {
    const std::optional<DWORD> oldType = FReg->ValueType(L"ClientId");
    if (oldType && *oldType != REG_SZ && *oldType != REG_EXPAND_SZ)
      WriteLog(L"PrepareEnvironmentInfo ClientId of registry type " + std::to_wstring(*oldType) + L" replaced");
    try {
      FReg->WriteString(L"ClientId", RandomString(32));
    } catch (const ERegistryException& error) {
      WriteLog(L"PrepareEnvironmentInfo " + AnsiToWide(error.what()));
    }
  }
}

void TTovlaneSettings::ReadCurrentFlashVersion() {
  FCurrentFlashVersion = NormaliseFlashVersion(ReadFlashVersionVariable());
}
