// wchar_t holds whole code points here (32 bits), so UTF-8 needs no surrogate handling.
#include <cstdint>

#include "base/untText.h"

std::string WideToAnsi(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    const uint32_t code = static_cast<uint32_t>(c);
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
  return out;
}

std::wstring AnsiToWide(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    bool whole = length > 0 && i + length <= text.size();
    for (int k = 1; whole && k < length; ++k) {
      const uint8_t next = static_cast<uint8_t>(text[i + k]);
      whole = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    // A broken sequence stands as one replacement character, and the walk goes on after its first byte.
    out += whole ? static_cast<wchar_t>(code) : L'\uFFFD';
    i += whole ? length : 1;
  }
  return out;
}
