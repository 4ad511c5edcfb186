#include "shell/untRememberedLogin.h"

#include <algorithm>
#include <exception>

#include "support/crypto/PasswordCipher.h"

namespace {
const wchar_t kSubmissionMarker[] = L"j_spring_security_check";
const wchar_t kUserNameField[] = L"j_username";
const wchar_t kPasswordField[] = L"j_password";
const wchar_t kRememberMeField[] = L"_spring_security_remember_me";
const wchar_t kUserNameElementId[] = L"index_login_username";
const wchar_t kPasswordElementId[] = L"index_login_password";

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; }

bool SameFieldName(const std::wstring& body, size_t begin, size_t end, const std::wstring& name) {
  if (end - begin != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (AsciiLower(body[begin + i]) != AsciiLower(name[i])) return false;
  return true;
}

// The value of the first "&"-separated entry named name, taken as it stands (no percent-decoding); empty when
// there is none. An entry without "=" is all name.
std::wstring FieldValue(const std::wstring& body, const std::wstring& name) {
  for (size_t begin = 0; begin <= body.size();) {
    size_t end = body.find(L'&', begin);
    if (end == std::wstring::npos) end = body.size();
    const size_t nameEnd = size_t(std::find(body.begin() + begin, body.begin() + end, L'=') - body.begin());
    if (SameFieldName(body, begin, nameEnd, name))
      return nameEnd < end ? body.substr(nameEnd + 1, end - nameEnd - 1) : L"";
    begin = end + 1;
  }
  return L"";
}

std::wstring Widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The stored text is Base64; a character beyond ASCII cannot belong to it and stays foreign when narrowed.
std::string Narrowed(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 0x80 ? char(c) : '?';
  return narrow;
}
}  // namespace

TLoginCapture DecideLoginCapture(const std::wstring& address, const std::wstring& body) {
  TLoginCapture capture;
  if (address.find(kSubmissionMarker) == std::wstring::npos) return capture;
  const std::wstring user = FieldValue(body, kUserNameField);
  const bool rememberMe = FieldValue(body, kRememberMeField) == L"on";
  if (!user.empty() && user[0] == L'3') {
    if (rememberMe) {
      capture.logLine = L"Remember password for " + user;
      capture.write = TRememberedLogin{user, Widened(EncipherPassword(FieldValue(body, kPasswordField)))};
    } else {
      capture.logLine = L"Clear password";
    }
  }
  capture.deleteStored = !rememberMe;
  return capture;
}

void RefillLoginForm(ILoginForm& form, const TRememberedLogin& stored) {
  const std::unique_ptr<ILoginFormElement> user = form.ElementById(kUserNameElementId);
  const std::unique_ptr<ILoginFormElement> password = form.ElementById(kPasswordElementId);
  if ((user && !user->IsInput()) || (password && !password->IsInput())) return;
  if (user && !user->SetValue(stored.userName)) return;
  if (!password) return;
  std::wstring plain;
  try {
    plain = DecipherPassword(Narrowed(stored.storedPassword));
  } catch (const std::exception&) {
    return;
  }
  password->SetValue(plain);
}
