// Encoding arbitrary bytes must decode back to them; decoding arbitrary text must give at most three
// bytes per four characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/crypto/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (Base64Decode(Base64Encode(bytes)) != bytes) __builtin_trap();
  std::string text(reinterpret_cast<const char*>(data), size);
  if (Base64Decode(text).size() > size / 4 * 3) __builtin_trap();
  return 0;
}
