#pragma once
// The update description the platform serves: "Name=Value" lines, decoded by their byte-order mark.
#include <string>
#include <string_view>

struct TUpdateDescription {
  std::wstring Tag;
  std::wstring FlashRequiredVersion;
  std::wstring FlashSetupFileUrl;
  std::wstring FlashSetupFileMd5;
  std::wstring ClientRequiredVersion;
  std::wstring ClientSetupFileUrl;
  std::wstring ClientSetupFileMd5;
};

// The only Tag that makes a description count; compared exactly.
inline constexpr wchar_t kUpdateDescriptionTag[] = L"TVLN";

// The body as text: UTF-8 or UTF-16 (either byte order) when it starts with that byte-order mark, otherwise
// ansiToWide's decoding (the system's ANSI code page). Malformed UTF-8 becomes U+FFFD; an odd last byte of
// UTF-16 is dropped. The result holds UTF-16 code units.
std::wstring DecodeUpdateDescription(const std::string& body, std::wstring (*ansiToWide)(const std::string&));

// Lines end at CR, LF or CR LF; a line with "=" defines the name before its first "=" (matched without regard
// to case, the first definition wins) with the untrimmed rest as value. Other lines and unknown names are
// ignored; a missing name reads as empty.
TUpdateDescription ParseUpdateDescription(const std::wstring& text);
