// Resolves pairs of references, one per line: the first against a fixed http base gives the base of
// the second, as a chain of redirects would. Resolving never fails; resolving a target again changes
// nothing; an http target parses or raises EUriError.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/http/Uri.h"

namespace {
void Follow(const std::string& target) {
  if (TUri::SchemeOf(target) != "http") return;
  try {
    TUri::Parse(target).Compose(false);
  } catch (const EUriError&) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t split = text.find('\n');
  static const TUri origin = TUri::Parse("http://a/b/c/d;p?q");
  const std::string first = origin.Resolve(text.substr(0, split));
  if (origin.Resolve(first) != first) __builtin_trap();
  Follow(first);
  if (split == std::string::npos || TUri::SchemeOf(first) != "http") return 0;
  try {
    const TUri base = TUri::Parse(first);
    const std::string second = base.Resolve(text.substr(split + 1));
    if (base.Resolve(second) != second) __builtin_trap();
    Follow(second);
  } catch (const EUriError&) {
  }
  return 0;
}
