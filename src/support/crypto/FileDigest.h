#pragma once

#include <string>

// MD5 of the whole file as 32 lower-case hexadecimal digits, read in pieces; raises EFOpenError when the
// file cannot be opened and EStreamError when it cannot be read to its end.
std::wstring GetFileMd5(const std::wstring& fileName);
