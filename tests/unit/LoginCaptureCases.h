#pragma once
// Login submissions and what the remembered login makes of them; the stored passwords of the written ones are
// cross-checked against Nettle in the native build.

struct TLoginCaptureCase {
  const wchar_t* body;
  const wchar_t* logLine;
  // nullptr: nothing written.
  const wchar_t* userWritten;
  const wchar_t* passwordWritten;
  bool deleted;
};

inline constexpr TLoginCaptureCase kLoginCaptureCases[] = {
    {L"j_username=3001&j_password=secret&_spring_security_remember_me=on", L"Remember password for 3001", L"3001",
     L"secret", false},
    // Values as the form sent them: percent-encoded, "+" for blanks, "=" inside.
    {L"j_username=3%2B1&j_password=p%40ss+w%C3%B6rd%26=&_spring_security_remember_me=on",
     L"Remember password for 3%2B1", L"3%2B1", L"p%40ss+w%C3%B6rd%26=", false},
    // Raw bytes beyond ASCII are one character each.
    {L"j_username=3\u00e4&j_password=\u00c3\u00b6\u00ff\u0001&_spring_security_remember_me=on",
     L"Remember password for 3\u00e4", L"3\u00e4", L"\u00c3\u00b6\u00ff\u0001", false},
    // Names without regard to case; the first entry of a name wins.
    {L"J_USERNAME=3a&j_username=3b&J_Password=x&j_password=y&_SPRING_security_REMEMBER_ME=on&"
     L"_spring_security_remember_me=off",
     L"Remember password for 3a", L"3a", L"x", false},
    // An entry without "=" is a name with an empty value; empty names match nothing.
    {L"=3x&j_username=3c&=&&j_password&_spring_security_remember_me=on", L"Remember password for 3c", L"3c", L"",
     false},
    {L"j_username=3001&j_password=secret&_spring_security_remember_me=ON", L"Clear password", nullptr, nullptr, true},
    {L"j_username=3001&j_password=secret", L"Clear password", nullptr, nullptr, true},
    {L"j_username=4001&j_password=secret&_spring_security_remember_me=on", L"", nullptr, nullptr, false},
    {L"j_username= 3001&j_password=secret&_spring_security_remember_me=on", L"", nullptr, nullptr, false},
    {L"j_username=4001&j_password=secret", L"", nullptr, nullptr, true},
    {L"j_username=&j_password=secret&_spring_security_remember_me=on", L"", nullptr, nullptr, false},
    {L"j_username&j_password=secret", L"", nullptr, nullptr, true},
    {L"", L"", nullptr, nullptr, true},
    {L"no fields at all", L"", nullptr, nullptr, true},
};
