#pragma once
// The read-only settings of the window modes: "<exe full name>.ini", section "Debug"; and the client's settings
// object over them and the per-user registry key.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/untReg.h"

class TIniFile {
 public:
  explicit TIniFile(std::wstring fileName);
  // Private-profile semantics: a missing file, section or key yields defaultValue.
  std::wstring ReadString(const std::wstring& section, const std::wstring& key, const std::wstring& defaultValue) const;
  const std::wstring& FileName() const { return fFileName; }

 private:
  std::wstring fFileName;
};

// Full path of the running executable.
std::wstring ExecutableFileName();
// The settings file: the executable's full name with ".ini" appended, ".exe" kept.
std::wstring SettingsFileName();

// Created in the window modes before any window; absent in the "--ensure-mtu" run.
extern std::unique_ptr<TIniFile> IniFile;
// The address the main window opens first; empty means the home address.
extern std::wstring OpenUrl;

// The client's configuration in one place: the registry key HKEY_CURRENT_USER\Software\Tovlane and its values,
// section "Debug" of IniFile, the client identifier, the installed Flash version and the stored microphone. The
// main window makes it, the update flow, the browser and the remembered login read it.
class TTovlaneSettings {
 public:
  // Opens the key, creating it when missing, and stores a new "ClientId" when none can be sent. A key that cannot
  // be opened stays absent: nothing is read from it then, and every write is skipped.
  void OpenRegistry();
  // The open key; null when it could not be opened.
  TReg* Reg() const { return FReg.get(); }
  // Empty when none is stored.
  std::wstring ClientId() const;
  // Section "Debug" of IniFile, private-profile semantics; defaultValue without the file.
  std::wstring ReadDebugSetting(const std::wstring& key, const std::wstring& defaultValue) const;
  // Dotted, "0.0" when no player was found; empty until the main window reads it.
  const std::wstring& CurrentFlashVersion() const { return FCurrentFlashVersion; }
  void SetCurrentFlashVersion(std::wstring version) { FCurrentFlashVersion = std::move(version); }
  // "MicrophoneDeviceId2"; a value of another type counts as none stored.
  std::optional<std::int32_t> StoredMicrophoneDeviceId() const;
  // Raises ERegistryException when the registry refuses it.
  void StoreMicrophoneDeviceId(std::int32_t id);

 private:
  std::unique_ptr<TReg> FReg;
  std::wstring FCurrentFlashVersion;
};
