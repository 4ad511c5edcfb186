#include <gtest/gtest.h>

#include <map>

#include "shell/untRememberedLogin.h"
#include "support/crypto/Base64.h"
#include "support/crypto/PasswordCipher.h"
#include "unit/LoginCaptureCases.h"

namespace {
const wchar_t kSubmission[] = L"https://www.tovlane.com/j_spring_security_check";
}  // namespace

TEST(RememberedLoginCapture, SubmissionsWriteClearOrDeleteThePair) {
  for (const TLoginCaptureCase& c : kLoginCaptureCases) {
    SCOPED_TRACE(c.body);
    const TLoginCapture capture = DecideLoginCapture(kSubmission, c.body);
    EXPECT_EQ(c.logLine, capture.logLine);
    EXPECT_EQ(c.deleted, capture.deleteStored);
    ASSERT_EQ(c.userWritten != nullptr, capture.write.has_value());
    if (!capture.write) continue;
    EXPECT_EQ(c.userWritten, capture.write->userName);
    const std::string stored = EncipherPassword(c.passwordWritten);
    EXPECT_EQ(std::wstring(stored.begin(), stored.end()), capture.write->storedPassword);
  }
  EXPECT_EQ(L"OTqKG9FAa12ubQno",
            DecideLoginCapture(kSubmission, kLoginCaptureCases[0].body).write.value().storedPassword);
}

TEST(RememberedLoginCapture, OnlyTheSubmissionAddressIsWatched) {
  const std::wstring body = kLoginCaptureCases[0].body;
  EXPECT_TRUE(DecideLoginCapture(L"http://127.0.0.1:8080/a?next=j_spring_security_check", body).write);
  for (const wchar_t* address :
       {L"https://www.tovlane.com/J_SPRING_SECURITY_CHECK", L"https://www.tovlane.com/", L"", L"j_spring_security"}) {
    const TLoginCapture capture = DecideLoginCapture(address, L"");
    EXPECT_FALSE(capture.write || capture.deleteStored || !capture.logLine.empty()) << address;
  }
}

namespace {
struct TFakeElement {
  bool input = true;
  bool takesValue = true;
  std::wstring value = L"page's own";
};

class TFakeForm : public ILoginForm {
 public:
  std::map<std::wstring, TFakeElement> elements;

  std::unique_ptr<ILoginFormElement> ElementById(const std::wstring& id) override {
    auto found = elements.find(id);
    return found == elements.end() ? nullptr : std::make_unique<TElement>(found->second);
  }

 private:
  class TElement : public ILoginFormElement {
   public:
    explicit TElement(TFakeElement& element) : fElement(element) {}
    bool IsInput() const override { return fElement.input; }
    bool SetValue(const std::wstring& value) override {
      if (fElement.takesValue) fElement.value = value;
      return fElement.takesValue;
    }

   private:
    TFakeElement& fElement;
  };
};

std::wstring StoredOddByteCount() {
  // Three decoded bytes: one UTF-16 unit of "xy" and an odd byte.
  std::vector<uint8_t> bytes = Base64Decode(EncipherPassword(L"xy"));
  bytes.resize(3);
  const std::string text = Base64Encode(bytes);
  return std::wstring(text.begin(), text.end());
}
}  // namespace

TEST(RememberedLoginRefill, FillsTheLoginFieldsThatArePresent) {
  const TRememberedLogin pupil{L"3001", L"OTqKG9FAa12ubQno"};
  const std::wstring user = L"index_login_username", password = L"index_login_password";
  struct {
    const char* name;
    std::map<std::wstring, TFakeElement> elements;
    TRememberedLogin stored;
    const wchar_t* userAfter;      // nullptr: no such field
    const wchar_t* passwordAfter;  // nullptr: no such field
  } cases[] = {
      {"both fields", {{user, {}}, {password, {}}}, pupil, L"3001", L"secret"},
      {"user field only", {{user, {}}}, pupil, L"3001", nullptr},
      {"password field only", {{password, {}}}, pupil, nullptr, L"secret"},
      {"nothing stored empties both", {{user, {}}, {password, {}}}, {}, L"", L""},
      {"odd byte count", {{password, {}}}, {L"", StoredOddByteCount()}, nullptr, L"x"},
      {"password id not an input", {{user, {}}, {password, {false}}}, pupil, L"page's own", L"page's own"},
      {"user id not an input", {{user, {false}}, {password, {}}}, pupil, L"page's own", L"page's own"},
      {"refused user value ends it", {{user, {true, false}}, {password, {}}}, pupil, L"page's own", L"page's own"},
      {"no login fields", {{L"other", {}}}, pupil, nullptr, nullptr},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TFakeForm form;
    form.elements = c.elements;
    RefillLoginForm(form, c.stored);
    if (c.userAfter) {
      EXPECT_EQ(c.userAfter, form.elements[user].value);
    }
    if (c.passwordAfter) {
      EXPECT_EQ(c.passwordAfter, form.elements[password].value);
    }
    if (!c.userAfter && !c.passwordAfter) {
      EXPECT_EQ(L"page's own", form.elements[L"other"].value);
    }
  }
}

TEST(RememberedLoginRefill, AStoredPasswordThatIsNotBase64StillFillsTheUserName) {
  TFakeForm form;
  form.elements = {{L"index_login_username", {}}, {L"index_login_password", {}}};
  RefillLoginForm(form, {L"3001", L"not base64! \u5bc6"});
  EXPECT_EQ(L"3001", form.elements[L"index_login_username"].value);
}
