#pragma once
// The stored form of a remembered password: UTF-16LE bytes, Blowfish-CFB8 under a fixed key,
// Base64 text. Values must read back in every installation, so the format never changes.

#include <string>

std::string EncipherPassword(const std::wstring& password);
// Undoes EncipherPassword; a text that is not Base64 deciphers to meaningless text and never fails.
std::wstring DecipherPassword(const std::string& stored);
