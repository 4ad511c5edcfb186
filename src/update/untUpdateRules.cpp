#include "update/untUpdateRules.h"

#include <algorithm>
#include <cstdint>

#include "base/untConfig.h"
#include "base/untText.h"
#include "base/untVersion.h"

namespace {

bool IsUnreserved(uint32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

void AppendPercentByte(std::wstring& out, uint32_t byte) {
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  out += L'%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// The UTF-8 bytes of the text, percent-encoded; a lone surrogate counts as U+FFFD.
std::wstring PercentEncoded(const std::wstring& text) {
  std::wstring out;
  for (const char byte : WideToUtf8(text)) {
    const uint32_t value = static_cast<uint8_t>(byte);
    if (IsUnreserved(value))
      out += static_cast<wchar_t>(value);
    else
      AppendPercentByte(out, value);
  }
  return out;
}

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

}  // namespace

std::wstring UpdateCheckUrl(const std::wstring& checkUrl, const std::wstring& clientId) {
  return checkUrl + L"?v=" + kClientVersion + L"&clientId=" + PercentEncoded(clientId);
}

bool IsFlashUpdateNeeded(const std::wstring& installed, const std::wstring& required) {
  return CompareVersionPadded(installed, required) < 0 || CompareVersionShortest(installed, L"11.6") == 0 ||
         installed == L"11.8.800.149";
}

std::optional<TSetupChoice> ChooseSetup(const TUpdateDescription& description, const std::wstring& currentFlashVersion,
                                        const TSettingReader& readSetting,
                                        const std::function<void(const std::wstring&)>& log) {
  if (description.Tag != kUpdateDescriptionTag) return std::nullopt;
  std::optional<TSetupChoice> choice;
  auto choose = [&](const wchar_t* message, const std::wstring& url, const std::wstring& md5, const wchar_t* file) {
    choice = TSetupChoice{message, url, md5, file, {}};
    log(L"Need download: " + choice->Message + L" " + url + L" " + md5);
  };
  if (IsFlashUpdateNeeded(readSetting(L"ForceFlashVersion", currentFlashVersion), description.FlashRequiredVersion))
    choose(L"您需要升级 Flash 播放器。", description.FlashSetupFileUrl, description.FlashSetupFileMd5,
           kFlashSetupFileName);
  if (CompareVersionPadded(readSetting(L"ForceClientVersion", kClientVersion), description.ClientRequiredVersion) < 0)
    choose(L"您需要升级 Tovlane 系统。", description.ClientSetupFileUrl, description.ClientSetupFileMd5,
           kClientSetupFileName);
  if (choice) choice->DownloadUrl = readSetting(L"ForceDownloadUrl", choice->SetupFileUrl);
  return choice;
}

bool Md5Matches(const std::wstring& expected, const std::wstring& computed) {
  return expected.size() == 32 && std::all_of(expected.begin(), expected.end(), IsHexDigit) &&
         EqualsAsciiNoCase(expected, computed);
}

bool SignatureAllowsSetup(const std::optional<std::string>& clientSigner, const std::string& setupSigner) {
  return !clientSigner || (!clientSigner->empty() && *clientSigner == setupSigner);
}
