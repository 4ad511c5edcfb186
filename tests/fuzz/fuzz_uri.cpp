// Parses, rebuilds and resolves arbitrary URL text; errors must be EUriError, nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/http/Uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  size_t split = text.find('\n');
  try {
    TUri uri = TUri::Parse(text.substr(0, split));
    TUri again = TUri::Parse(uri.Compose(true));
    if (again.Compose(true) != uri.Compose(true)) __builtin_trap();
    uri.EffectivePort();
    if (split != std::string::npos) uri.Resolve(text.substr(split + 1)).Compose(false);
  } catch (const EUriError&) {
  }
  return 0;
}
