#include "support/crypto/PasswordCipher.h"

#include "support/crypto/Base64.h"
#include "support/crypto/Blowfish.h"
#include "support/crypto/Digest.h"

namespace {
// Each call sets up its own cipher: the key is SHA-1 of the key string's UTF-16LE bytes, the
// initial vector the encryption of a zero block under that key.
TBlowfishCfb8 FreshCipher() {
  static const char kKeyText[] = "k7rwq2mf";
  TBytes keyText;
  for (const char* c = kKeyText; *c; ++c) {
    keyText.push_back(uint8_t(*c));
    keyText.push_back(0);
  }
  TBytes key = Sha1Of(keyText.data(), keyText.size());
  const uint8_t zero[TBlowfish::BlockSize] = {};
  uint8_t iv[TBlowfish::BlockSize];
  TBlowfish(key).EncryptBlock(zero, iv);
  return TBlowfishCfb8(key, iv);
}

void AppendUnit(TBytes& bytes, uint32_t unit) {
  bytes.push_back(uint8_t(unit));
  bytes.push_back(uint8_t(unit >> 8));
}

TBytes ToUtf16Le(const std::wstring& text) {
  TBytes bytes;
  for (wchar_t c : text) {
    uint32_t code = uint32_t(c);
    // Where wchar_t holds whole code points, those beyond the basic plane become surrogate pairs.
    if (sizeof(wchar_t) == 4 && code > 0xFFFF) {
      code -= 0x10000;
      AppendUnit(bytes, 0xD800 + (code >> 10));
      AppendUnit(bytes, 0xDC00 + (code & 0x3FF));
    } else {
      AppendUnit(bytes, code);
    }
  }
  return bytes;
}

std::wstring FromUtf16Le(const TBytes& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t unit = bytes[i] | (uint32_t(bytes[i + 1]) << 8);
    if (sizeof(wchar_t) == 4 && unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      uint32_t low = bytes[i + 2] | (uint32_t(bytes[i + 3]) << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        text += wchar_t(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    text += wchar_t(unit);
  }
  return text;
}
}  // namespace

std::string EncipherPassword(const std::wstring& password) {
  TBytes bytes = ToUtf16Le(password);
  FreshCipher().Encrypt(bytes.data(), bytes.size());
  return Base64Encode(bytes);
}

std::wstring DecipherPassword(const std::string& stored) {
  TBytes bytes = Base64Decode(stored);
  // An odd last byte is no whole UTF-16 unit and is dropped before deciphering.
  bytes.resize(bytes.size() & ~size_t(1));
  FreshCipher().Decrypt(bytes.data(), bytes.size());
  return FromUtf16Le(bytes);
}
