// The parser's interface ids are in no import library of the tool chain: defined here, once.
#include <initguid.h>

#include "tools/untScriptEngine.h"

#include <utility>

namespace {

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) {
    char text[128];
    wsprintfA(text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
    throw EScriptHostError(text);
  }
}

std::wstring DescriptionOf(IActiveScriptError* error) {
  EXCEPINFO info = {};
  if (FAILED(error->GetExceptionInfo(&info))) return L"unknown script error";
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  std::wstring message = info.bstrDescription ? info.bstrDescription : L"";
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrHelpFile);
  if (message.empty()) {
    wchar_t code[32];
    wsprintfW(code, L"script error 0x%08lX", static_cast<unsigned long>(info.scode));
    message = code;
  }
  return message;
}

}  // namespace

TScriptEngine::TScriptEngine() {
  CLSID jscript;
  Check(CLSIDFromProgID(L"JScript", &jscript), "looking up the JScript engine");
  Check(CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, fScript.Receive()),
        "creating the JScript engine");
  Check(fScript->QueryInterface(IID_IActiveScriptParse, fParse.Receive()), "asking the engine for its parser");
  Check(fScript->SetScriptSite(this), "attaching the engine to its site");
  Check(fParse->InitNew(), "initialising the engine");
  Check(fScript->SetScriptState(SCRIPTSTATE_CONNECTED), "starting the engine");
}

void TScriptEngine::Close() {
  if (!fScript) return;
  fScript->Close();
  fParse.Reset();
  fScript.Reset();
}

void TScriptEngine::AddGlobalObject(const std::wstring& name, IDispatch* object) {
  fObjects[name] = object;
  Check(fScript->AddNamedItem(name.c_str(), SCRIPTITEM_ISVISIBLE), "adding a host object");
}

std::optional<TScriptError> TScriptEngine::Run(const std::wstring& code, DWORD context) {
  if (!fParse) return TScriptError{L"the script engine is closed", context, 0};
  std::optional<TScriptError> outer = std::exchange(fError, std::nullopt);
  EXCEPINFO exception = {};
  const HRESULT hr =
      fParse->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, context, 0, 0, nullptr, &exception);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  std::optional<TScriptError> error = std::exchange(fError, std::move(outer));
  // An engine that fails without reporting through the site still reports a script error.
  if (FAILED(hr) && !error) {
    wchar_t text[64];
    wsprintfW(text, L"script failed (0x%08lX)", static_cast<unsigned long>(hr));
    error = TScriptError{text, context, 0};
  }
  return SUCCEEDED(hr) ? std::nullopt : error;
}

STDMETHODIMP TScriptEngine::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IActiveScriptSite) {
    *object = static_cast<IActiveScriptSite*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TScriptEngine::AddRef() { return ++fReferences; }
STDMETHODIMP_(ULONG) TScriptEngine::Release() { return --fReferences; }

STDMETHODIMP TScriptEngine::GetLCID(LCID* lcid) {
  *lcid = LOCALE_USER_DEFAULT;
  return S_OK;
}

STDMETHODIMP TScriptEngine::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** typeInfo) {
  if (mask & SCRIPTINFO_IUNKNOWN) *item = nullptr;
  if (mask & SCRIPTINFO_ITYPEINFO) *typeInfo = nullptr;
  auto found = fObjects.find(name ? name : L"");
  if (found == fObjects.end()) return TYPE_E_ELEMENTNOTFOUND;
  if (mask & SCRIPTINFO_IUNKNOWN) {
    *item = found->second;
    found->second->AddRef();
  }
  return S_OK;
}

STDMETHODIMP TScriptEngine::GetDocVersionString(BSTR*) { return E_NOTIMPL; }
STDMETHODIMP TScriptEngine::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }
STDMETHODIMP TScriptEngine::OnStateChange(SCRIPTSTATE) { return S_OK; }
STDMETHODIMP TScriptEngine::OnEnterScript() { return S_OK; }
STDMETHODIMP TScriptEngine::OnLeaveScript() { return S_OK; }

STDMETHODIMP TScriptEngine::OnScriptError(IActiveScriptError* error) {
  try {
    if (!fError) {
      DWORD context = 0;
      ULONG line = 0;
      LONG column = 0;
      TScriptError found{DescriptionOf(error), 0, 0};
      if (SUCCEEDED(error->GetSourcePosition(&context, &line, &column))) found = {found.message, context, line + 1};
      fError = std::move(found);
    }
  } catch (...) {
  }
  return S_OK;
}
