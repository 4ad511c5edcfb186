#pragma once
// Text conversion between the program's UTF-16 and the byte texts outside it: the system's ANSI code page
// on Windows, UTF-8 in the host build (the one place where the two builds differ).
#include <string>
#include <string_view>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

// Equal texts when ASCII letters are compared without regard to case (header names, keys, digests).
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);
