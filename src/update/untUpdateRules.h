#pragma once
// What the update check asks for and what it makes of the answer: the request address, which setup program
// to fetch (the client's own before the Flash player's), whether a downloaded file is the one described and
// whether its signer may run it.
#include <functional>
#include <optional>
#include <string>

#include "update/untUpdateDescription.h"

inline constexpr wchar_t kClientSetupFileName[] = L"TovlaneSetup.exe";
inline constexpr wchar_t kFlashSetupFileName[] = L"FlashSetup.exe";
// Stands for the installed player once the page has forced a Flash update.
inline constexpr wchar_t kForcedFlashVersion[] = L"0.1";

// checkUrl + "?v=" + the client version + "&clientId=" + the client id, percent-encoded where it holds
// anything but letters, digits and "-._~".
std::wstring UpdateCheckUrl(const std::wstring& checkUrl, const std::wstring& clientId);

// The 11.6 series and 11.8.800.149 always need an update; other versions when below the required one.
bool IsFlashUpdateNeeded(const std::wstring& installed, const std::wstring& required);

struct TSetupChoice {
  std::wstring Message;  // the reason shown in the download window
  std::wstring SetupFileUrl;
  std::wstring SetupFileMd5;
  std::wstring FileName;     // kClientSetupFileName or kFlashSetupFileName
  std::wstring DownloadUrl;  // "ForceDownloadUrl", by default SetupFileUrl
};

// Reads a setting of section "Debug" with private-profile semantics: a key that is present wins, even empty.
using TSettingReader = std::function<std::wstring(const std::wstring& key, const std::wstring& defaultValue)>;

// The setup program to fetch, if any. The installed versions come from "ForceFlashVersion" (by default
// currentFlashVersion) and "ForceClientVersion" (by default the client's own). Each due setup is logged as
// "Need download: <message> <url> <digest>"; a due client setup replaces a due Flash setup.
std::optional<TSetupChoice> ChooseSetup(const TUpdateDescription& description, const std::wstring& currentFlashVersion,
                                        const TSettingReader& readSetting,
                                        const std::function<void(const std::wstring&)>& log);

// The downloaded file is the described one: both are 32 hexadecimal digits and equal, ignoring letter case.
bool Md5Matches(const std::wstring& expected, const std::wstring& computed);

// A signed client runs only a setup whose trusted signature is by the client's own certificate; an unsigned
// client (a development build) leaves the decision to the digest. clientSigner: none for an unsigned client,
// else the DER of its certificate (empty when its own signature is not trusted); setupSigner: the DER of the
// certificate of the setup's trusted signature, empty when it has none.
bool SignatureAllowsSetup(const std::optional<std::string>& clientSigner, const std::string& setupSigner);
