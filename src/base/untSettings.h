#pragma once
// The read-only settings of the window modes: "<exe full name>.ini", section "Debug".
#include <memory>
#include <string>

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
// Full path of the file of that name in the executable's folder (the data files shipped beside it).
std::wstring FileBesideExecutable(const std::wstring& name);
// The settings file: the executable's full name with ".ini" appended, ".exe" kept.
std::wstring SettingsFileName();

// Created in the window modes before any window; absent in the "--ensure-mtu" run.
extern std::unique_ptr<TIniFile> IniFile;
// The address the main window opens first; empty means the home address.
extern std::wstring OpenUrl;
