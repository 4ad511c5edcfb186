// Encoding arbitrary bytes must decode back to them; decoding arbitrary text must either fail with
// EBase64Error or give at most three bytes per four characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/crypto/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (Base64Decode(Base64Encode(bytes)) != bytes) __builtin_trap();
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    std::vector<uint8_t> decoded = Base64Decode(text);
    if (decoded.size() > size / 4 * 3) __builtin_trap();
  } catch (const EBase64Error&) {
  }
  return 0;
}
