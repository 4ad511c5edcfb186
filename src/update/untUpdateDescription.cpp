#include "update/untUpdateDescription.h"

#include <cstddef>
#include <cstdint>
#include <utility>

#include "base/untText.h"

namespace {

std::wstring Utf16ToWide(const std::string& bytes, bool bigEndian) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const uint8_t first = static_cast<uint8_t>(bytes[i]), second = static_cast<uint8_t>(bytes[i + 1]);
    out += static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
  }
  return out;
}

bool StartsWith(const std::string& bytes, const char* prefix, size_t size) {
  return bytes.size() >= size && bytes.compare(0, size, prefix, size) == 0;
}

}  // namespace

std::wstring DecodeUpdateDescription(const std::string& body, std::wstring (*ansiToWide)(const std::string&)) {
  if (StartsWith(body, "\xEF\xBB\xBF", 3)) return Utf8ToWide(std::string_view(body).substr(3));
  if (StartsWith(body, "\xFF\xFE", 2)) return Utf16ToWide(body, false);
  if (StartsWith(body, "\xFE\xFF", 2)) return Utf16ToWide(body, true);
  return ansiToWide(body);
}

TUpdateDescription ParseUpdateDescription(const std::wstring& text) {
  TUpdateDescription description;
  std::pair<std::wstring_view, std::wstring*> keys[] = {
      {L"Tag", &description.Tag},
      {L"FlashRequiredVersion", &description.FlashRequiredVersion},
      {L"FlashSetupFileUrl", &description.FlashSetupFileUrl},
      {L"FlashSetupFileMd5", &description.FlashSetupFileMd5},
      {L"ClientRequiredVersion", &description.ClientRequiredVersion},
      {L"ClientSetupFileUrl", &description.ClientSetupFileUrl},
      {L"ClientSetupFileMd5", &description.ClientSetupFileMd5},
  };
  bool seen[sizeof keys / sizeof keys[0]] = {};
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    // Searched within the line only, so that many lines without "=" stay linear.
    const std::wstring_view line = std::wstring_view(text).substr(start, end - start);
    const size_t equals = line.find(L'=');
    if (equals != std::wstring_view::npos) {
      for (size_t k = 0; k < sizeof keys / sizeof keys[0]; ++k) {
        if (seen[k] || !EqualsAsciiNoCase(line.substr(0, equals), keys[k].first)) continue;
        keys[k].second->assign(line.substr(equals + 1));
        seen[k] = true;
        break;
      }
    }
    // CR LF is one line end; the empty line between them would be ignored anyway.
    start = end + 1;
  }
  return description;
}
