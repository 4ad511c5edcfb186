#pragma once
// Text conversion between the program's UTF-16 and the byte texts outside it: the system's ANSI code page
// on Windows, UTF-8 in the host build (the one place where the two builds differ).
#include <string>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
