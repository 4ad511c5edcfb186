#pragma once
// The program's fixed identity and the defaults of its settings.

inline constexpr wchar_t ClientVersion[] = L"1.2.1.14";
inline constexpr wchar_t IniSection[] = L"Debug";
inline constexpr wchar_t DefaultMainSiteUrl[] = L"http://www.tovlane.com";
inline constexpr wchar_t DefaultOnlineCheckUrl[] = L"http://www.tovlane.com/client/client-update.shtml";
inline constexpr wchar_t RegistryKeyPath[] = L"Software\\Tovlane";
