#include "base/untText.h"

#include <cstdint>

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void AppendCodePoint(std::wstring& out, uint32_t code) {
  if (sizeof(wchar_t) == 2 && code >= 0x10000) {
    code -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (code >> 10));
    out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
  } else {
    out += static_cast<wchar_t>(code);
  }
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

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

std::wstring Utf8ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const uint8_t lead = static_cast<uint8_t>(bytes[i]);
    if (lead < 0x80) {
      out += static_cast<wchar_t>(lead);
      ++i;
      continue;
    }
    const size_t length = lead > 0xF4 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    uint32_t code = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
    size_t taken = 1;
    while (length != 0 && taken < length && i + taken < bytes.size() &&
           (static_cast<uint8_t>(bytes[i + taken]) & 0xC0) == 0x80) {
      code = (code << 6) | (static_cast<uint8_t>(bytes[i + taken]) & 0x3Fu);
      ++taken;
    }
    static const uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = length != 0 && taken == length && code >= kSmallest[length] && code <= 0x10FFFF &&
                       (code < 0xD800 || code > 0xDFFF);
    AppendCodePoint(out, valid ? code : kReplacement);
    i += taken;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = static_cast<uint32_t>(text[i]);
    const bool high = code >= 0xD800 && code <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
    else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
      code = kReplacement;
    AppendUtf8(out, code);
  }
  return out;
}
