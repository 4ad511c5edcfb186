// Registry multi-string data of any shape: never read past it, and what it reads writes back the same.
#include <cstdlib>

#include "base/untMultiString.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::wstring> list = ParseMultiString(data, size);
  // An empty list has no layout of its own: written, it reads as one empty string.
  if (list.empty()) return 0;
  const std::vector<std::uint8_t> written = BuildMultiString(list);
  if (ParseMultiString(written.data(), written.size()) != list) std::abort();
  return 0;
}
