#pragma once
// An open registry key, closed with its owner. Reads report whether a value of the asked type exists.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class TRegKey {
 public:
  // Opens root\path for reading and writing, creating it when missing; nullptr when that fails.
  static std::unique_ptr<TRegKey> OpenOrCreate(HKEY root, const std::wstring& path);
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  ~TRegKey();

  // A missing value, or one of another type, yields false.
  bool ReadString(const std::wstring& name, std::wstring& value) const;
  bool ReadInteger(const std::wstring& name, int32_t& value) const;
  bool WriteString(const std::wstring& name, const std::wstring& value);

 private:
  explicit TRegKey(HKEY key) : fKey(key) {}
  HKEY fKey;
};
