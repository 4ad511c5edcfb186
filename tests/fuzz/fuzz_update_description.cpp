// Decodes and parses arbitrary description bytes; every value must be a piece of the decoded text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "update/untUpdateDescription.h"

namespace {
std::wstring Latin1ToWide(const std::string& bytes) { return std::wstring(bytes.begin(), bytes.end()); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text =
      DecodeUpdateDescription(std::string(reinterpret_cast<const char*>(data), size), Latin1ToWide);
  const TUpdateDescription d = ParseUpdateDescription(text);
  for (const std::wstring* value : {&d.Tag, &d.FlashRequiredVersion, &d.FlashSetupFileUrl, &d.FlashSetupFileMd5,
                                    &d.ClientRequiredVersion, &d.ClientSetupFileUrl, &d.ClientSetupFileMd5})
    if (!value->empty() && text.find(*value) == std::wstring::npos) __builtin_trap();
  return 0;
}
