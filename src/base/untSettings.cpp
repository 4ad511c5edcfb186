#include "base/untSettings.h"

#include <windows.h>

#include <vector>

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
