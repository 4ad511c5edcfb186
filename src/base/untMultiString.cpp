#include "base/untMultiString.h"

namespace {

void AppendUnit(std::vector<std::uint8_t>& bytes, std::uint16_t unit) {
  bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
}

}  // namespace

std::vector<std::wstring> ParseMultiString(const std::uint8_t* data, std::size_t size) {
  std::vector<std::wstring> list;
  std::wstring current;
  bool previousWasNul = false;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (unit != 0) {
      current += unit;
      previousWasNul = false;
      continue;
    }
    if (previousWasNul) break;
    list.push_back(current);
    current.clear();
    previousWasNul = true;
  }
  return list;
}

std::vector<std::uint8_t> BuildMultiString(const std::vector<std::wstring>& list) {
  std::vector<std::uint8_t> bytes;
  for (const std::wstring& text : list) {
    for (wchar_t unit : text) AppendUnit(bytes, static_cast<std::uint16_t>(unit));
    AppendUnit(bytes, 0);
  }
  AppendUnit(bytes, 0);
  return bytes;
}
