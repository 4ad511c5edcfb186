#include "shell/untRememberedLoginWin.h"

#include <exdisp.h>
#include <mshtml.h>

#include <exception>
#include <memory>
#include <optional>

#include "base/untGlobal.h"
#include "base/untHandle.h"
#include "base/untText.h"
#include "base/untVariant.h"
#include "shell/untPostData.h"
#include "shell/untRememberedLogin.h"

namespace {

class TMshtmlLoginElement final : public ILoginFormElement {
 public:
  explicit TMshtmlLoginElement(IHTMLElement& element) {
    element.QueryInterface(IID_IHTMLInputElement, fInput.Receive());
  }
  bool IsInput() const override { return static_cast<bool>(fInput); }
  bool SetValue(const std::wstring& value) override {
    const TBstr text = BstrOf(value);
    return fInput && SUCCEEDED(fInput->put_value(text.Get()));
  }

 private:
  ComPtr<IHTMLInputElement> fInput;
};

class TMshtmlLoginForm final : public ILoginForm {
 public:
  explicit TMshtmlLoginForm(ComPtr<IHTMLDocument3> document) : fDocument(std::move(document)) {}
  std::unique_ptr<ILoginFormElement> ElementById(const std::wstring& id) override {
    const TBstr name = BstrOf(id);
    ComPtr<IHTMLElement> element;
    if (FAILED(fDocument->getElementById(name.Get(), element.Receive())) || !element) return nullptr;
    return std::make_unique<TMshtmlLoginElement>(*element.Get());
  }

 private:
  ComPtr<IHTMLDocument3> fDocument;
};

ComPtr<IHTMLDocument3> HtmlDocumentOf(IDispatch* browser) {
  ComPtr<IWebBrowser2> webBrowser;
  ComPtr<IDispatch> document;
  ComPtr<IHTMLDocument3> html;
  if (browser && SUCCEEDED(browser->QueryInterface(IID_IWebBrowser2, webBrowser.Receive())) &&
      SUCCEEDED(webBrowser->get_Document(document.Receive())) && document)
    document->QueryInterface(IID_IHTMLDocument3, html.Receive());
  return html;
}

// Stores the pair whole or leaves the previous one: when the password is refused, the previous pupil's name goes
// back beside the password that stayed, so that no name is ever refilled with another pupil's password.
void StoreLogin(TReg& reg, const TRememberedLogin& login) {
  const std::optional<std::wstring> previousUserName = reg.StoredString(kLastStudentUserName);
  reg.WriteString(kLastStudentUserName, login.userName);
  try {
    reg.WriteString(kLastStudentPassword, login.storedPassword);
  } catch (const ERegistryException&) {
    if (previousUserName)
      reg.WriteString(kLastStudentUserName, *previousUserName);
    else
      reg.DeleteValue(kLastStudentUserName);
    throw;
  }
}

}  // namespace

void CaptureLoginSubmission(TReg* reg, const std::wstring& url, const VARIANT& postData) {
  try {
    const TLoginCapture capture = DecideLoginCapture(url, PostDataToString(postData));
    if (!capture.logLine.empty()) WriteLog(capture.logLine);
    if (!reg) return;
    if (capture.write) StoreLogin(*reg, *capture.write);
    if (capture.deleteStored) {
      reg->DeleteValue(kLastStudentUserName);
      reg->DeleteValue(kLastStudentPassword);
    }
  } catch (const std::exception& error) {
    WriteLog(L"BeforeNavigate2 " + AnsiToWide(error.what()));
  }
}

void RefillLoginDocument(TReg* reg, IDispatch* browser) {
  try {
    if (!reg) return;
    ComPtr<IHTMLDocument3> document = HtmlDocumentOf(browser);
    if (!document) return;
    TMshtmlLoginForm form(std::move(document));
    RefillLoginForm(form, TRememberedLogin{reg->StoredString(kLastStudentUserName).value_or(L""),
                                           reg->StoredString(kLastStudentPassword).value_or(L"")});
  } catch (const std::exception&) {
    // The refill gives up silently; the fields set so far keep their values.
  }
}
