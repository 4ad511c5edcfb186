// The host build speaks UTF-8 outside the program.
#include "base/untText.h"

std::string WideToAnsi(const std::wstring& text) { return WideToUtf8(text); }

std::wstring AnsiToWide(const std::string& text) { return Utf8ToWide(text); }
