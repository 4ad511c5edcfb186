#pragma once
// The remembered login: the last pupil's user name and password, taken from the login form's submission as it
// leaves the browser and filled into the login form of every completed document. The decisions live here; the
// browser host hands in the navigation's address and body, writes what is decided, and reaches the page's
// elements through ILoginForm.
#include <memory>
#include <optional>
#include <string>

inline constexpr wchar_t kLastStudentUserName[] = L"LastStudentUserName";
inline constexpr wchar_t kLastStudentPassword[] = L"LastStudentPassword";

// The pair as it stands under the client's registry key; empty texts when nothing is stored.
struct TRememberedLogin {
  std::wstring userName;
  // Enciphered and Base64-encoded (PasswordCipher).
  std::wstring storedPassword;
};

struct TLoginCapture {
  // Empty when there is nothing to log.
  std::wstring logLine;
  std::optional<TRememberedLogin> write;
  bool deleteStored = false;
};

// address: the navigation's target; body: its POST data, one character per byte (PostDataToString).
// Anything but the login form's submission yields nothing to do.
TLoginCapture DecideLoginCapture(const std::wstring& address, const std::wstring& body);

// The page's elements as the refill needs them.
class ILoginFormElement {
 public:
  virtual ~ILoginFormElement() = default;
  virtual bool IsInput() const = 0;
  // False when the page did not take the value.
  virtual bool SetValue(const std::wstring& value) = 0;
};

class ILoginForm {
 public:
  virtual ~ILoginForm() = default;
  // nullptr when the document holds no element with that id.
  virtual std::unique_ptr<ILoginFormElement> ElementById(const std::wstring& id) = 0;
};

// Fills the login fields the document has with the stored pair (an empty field when nothing is stored). An
// element with a login id that is not an input leaves the form alone; any later failure ends the refill
// silently and keeps the fields already set.
void RefillLoginForm(ILoginForm& form, const TRememberedLogin& stored);
