#include "base/untText.h"

namespace {

template <class Char>
Char AsciiLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <class Char>
bool EqualsAsciiNoCaseOf(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) { return EqualsAsciiNoCaseOf(a, b); }
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) { return EqualsAsciiNoCaseOf(a, b); }
