#pragma once
// The read-only settings of the window modes: "<exe full name>.ini", section "Debug"; the client's settings.
#include <memory>
#include <string>

#include "base/untConfig.h"
#include "base/untReg.h"

class TIniFile {
 public:
  explicit TIniFile(std::wstring fileName);
  // Private-profile semantics: a missing file, section or key yields defaultValue.
  std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) const;

 private:
  std::wstring fFileName;
};

// Full path of the running executable.
std::wstring ExecutableFileName();
// Full path of the file of that name in the executable's folder (the data files shipped beside it).
std::wstring FileBesideExecutable(const std::wstring& name);
// The settings file: the executable's full name with ".ini" appended, ".exe" kept.
std::wstring SettingsFileName();

// Created in the window modes before any window; absent in the "--ensure-mtu" run.
extern std::unique_ptr<TIniFile> IniFile;
// The address the main window opens first; empty means the home address.
extern std::wstring OpenUrl;

// The client's configuration: the key HKEY_CURRENT_USER\Software\Tovlane with its values (the client identifier,
// the microphone, the remembered login), section "Debug" of IniFile and the installed Flash version. The main
// window opens it; the update flow, the browser and the remembered login read it.
class TTovlaneSettings {
 public:
  // Opens the key, creating it when missing, and stores a new "ClientId" when none can be sent. A key that cannot
  // be opened stays absent (Reg() is null): reads find nothing stored, and writes are skipped.
  void OpenRegistry();
  TReg* Reg() const { return FReg.get(); }
  std::wstring ClientId() const { return FReg ? FReg->StoredString(L"ClientId").value_or(L"") : std::wstring(); }
  std::wstring ReadDebugSetting(const std::wstring& key, const std::wstring& defaultValue) const {
    return IniFile ? IniFile->ReadString(kIniSection, key, defaultValue) : defaultValue;
  }
  // Asks the installed Flash player; dotted, "0.0" when there is none.
  void ReadCurrentFlashVersion();
  const std::wstring& CurrentFlashVersion() const { return FCurrentFlashVersion; }
  void SetCurrentFlashVersion(std::wstring version) { FCurrentFlashVersion = std::move(version); }
  // A value of another type counts as none stored.
  std::optional<std::int32_t> StoredMicrophoneDeviceId() const {
    return FReg ? FReg->StoredInteger(L"MicrophoneDeviceId2") : std::nullopt;
  }
  // Raises ERegistryException when the registry refuses it.
  void StoreMicrophoneDeviceId(std::int32_t id) {
    if (FReg) FReg->WriteInteger(L"MicrophoneDeviceId2", id);
  }

 private:
  std::unique_ptr<TReg> FReg;
  std::wstring FCurrentFlashVersion;
};
