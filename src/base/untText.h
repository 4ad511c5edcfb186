#pragma once
// Text conversion between the program's UTF-16 and the byte texts outside it: the system's ANSI code page
// on Windows, UTF-8 in the host build (the one place where the two builds differ).
#include <string>
#include <string_view>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

// UTF-8 and the program's wide text: UTF-16 where wchar_t has 16 bits (Windows), code points where it has 32.
// Each malformed, overlong, surrogate or out-of-range sequence decodes to one U+FFFD, and decoding goes on at
// the next byte that could start a sequence. A surrogate pair encodes as its code point, a lone one as U+FFFD.
std::wstring Utf8ToWide(std::string_view bytes);
std::string WideToUtf8(std::wstring_view text);

// Equal texts when ASCII letters are compared without regard to case (header names, keys, digests).
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);
