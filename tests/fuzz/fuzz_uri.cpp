// Parses and rebuilds arbitrary URL text; errors must be EUriError, nothing else, and a rebuilt URL
// parses into the same URL.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/http/Uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    TUri uri = TUri::Parse(std::string(reinterpret_cast<const char*>(data), size));
    TUri again = TUri::Parse(uri.Compose(true));
    if (again.Compose(true) != uri.Compose(true)) __builtin_trap();
    uri.EffectivePort();
  } catch (const EUriError&) {
  }
  return 0;
}
