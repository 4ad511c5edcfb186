#include "base/untSettings.h"

#include <windows.h>

#include <vector>

#include "base/untConfig.h"
#include "base/untGlobal.h"
#include "base/untText.h"

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

std::wstring SettingsFileName() { return ExecutableFileName() + L".ini"; }

void TTovlaneSettings::OpenRegistry() {
  FReg = std::make_unique<TReg>(HKEY_CURRENT_USER, KEY_READ | KEY_WRITE);
  if (!FReg->OpenKey(kRegistryKeyPath, true)) FReg.reset();
  // A value of another type counts as none stored: it could not be sent, so it is replaced, and said so. The
  // log lines carry the name of the start-up step that runs this.
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

std::wstring TTovlaneSettings::ClientId() const {
  return FReg ? FReg->StoredString(L"ClientId").value_or(L"") : std::wstring();
}

std::wstring TTovlaneSettings::ReadDebugSetting(const std::wstring& key, const std::wstring& defaultValue) const {
  return IniFile ? IniFile->ReadString(kIniSection, key, defaultValue) : defaultValue;
}

std::optional<std::int32_t> TTovlaneSettings::StoredMicrophoneDeviceId() const {
  return FReg ? FReg->StoredInteger(L"MicrophoneDeviceId2") : std::nullopt;
}

void TTovlaneSettings::StoreMicrophoneDeviceId(std::int32_t id) {
  if (FReg) FReg->WriteInteger(L"MicrophoneDeviceId2", id);
}
