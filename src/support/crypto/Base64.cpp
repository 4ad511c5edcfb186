#include "support/crypto/Base64.h"

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

uint32_t ValueOf(char c) {
  if (c >= 'A' && c <= 'Z') return uint32_t(c - 'A');
  if (c >= 'a' && c <= 'z') return uint32_t(c - 'a' + 26);
  if (c >= '0' && c <= '9') return uint32_t(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}
}  // namespace

std::string Base64Encode(const uint8_t* data, size_t size) {
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
    text += kAlphabet[v >> 18];
    text += kAlphabet[(v >> 12) & 63];
    text += kAlphabet[(v >> 6) & 63];
    text += kAlphabet[v & 63];
  }
  if (size - i == 1) {
    uint32_t v = uint32_t(data[i]) << 16;
    text += kAlphabet[v >> 18];
    text += kAlphabet[(v >> 12) & 63];
    text += "==";
  } else if (size - i == 2) {
    uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8);
    text += kAlphabet[v >> 18];
    text += kAlphabet[(v >> 12) & 63];
    text += kAlphabet[(v >> 6) & 63];
    text += '=';
  }
  return text;
}

std::vector<uint8_t> Base64Decode(const std::string& text) {
  const size_t groups = text.size() / 4;
  std::vector<uint8_t> bytes;
  bytes.reserve(groups * 3);
  for (size_t g = 0; g < groups; ++g) {
    const char* p = text.data() + 4 * g;
    const int padding = (p[3] == '=') + (p[3] == '=' && p[2] == '=');
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 6) | ValueOf(p[i]);
    bytes.push_back(uint8_t(v >> 16));
    if (padding < 2) bytes.push_back(uint8_t(v >> 8));
    if (padding < 1) bytes.push_back(uint8_t(v));
  }
  return bytes;
}
