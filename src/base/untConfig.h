#pragma once
// The program's fixed identity and the defaults of its settings.
#include <utility>

#include "base/untClientVersion.h"

inline constexpr wchar_t kClientVersion[] = L"" TOVLANE_VERSION_TEXT;
inline constexpr wchar_t kIniSection[] = L"Debug";
inline constexpr wchar_t kDefaultMainSiteUrl[] = L"http://www.tovlane.com";
inline constexpr wchar_t kDefaultOnlineCheckUrl[] = L"http://www.tovlane.com/client/client-update.shtml";
inline constexpr wchar_t kRegistryKeyPath[] = L"Software\\Tovlane";
// Who the client's own HTTP requests say they are (the bridge's and the update's): the headers each one sends.
inline constexpr char kHttpUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; TovlaneClient)";
inline constexpr std::pair<const char*, const char*> kHttpIdentityHeaders[] = {
    {"User-Agent", kHttpUserAgent}, {"Accept", "*/*"}, {"Accept-Language", "zh-cn"}};
// The platform's hosts whose addresses are looked up at start (main site, two content hosts, the voice host and
// the voice cloud), so that the page's first requests find them in the host cache.
inline constexpr const char* kPlatformHosts[] = {"www.tovlane.com", "cdn1.tovlane.com", "cdn2.tovlane.com",
                                                 "voice.tovlane.com", "voicecloud.tovlane.com"};
