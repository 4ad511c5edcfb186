#pragma once

#include <string>

// MD5 of the whole file as 32 lower-case hexadecimal digits, read in pieces; raises
// EFileReadError when the file cannot be opened or read.
std::wstring GetFileMd5(const std::wstring& fileName);
