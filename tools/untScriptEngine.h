#pragma once
// The platform's JScript engine hosted in this process: one engine in the connected state, its site, and
// the host objects the scripts see by name. Everything runs on the thread that created it.
#include <activscp.h>
#include <windows.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/untHandle.h"

class EScriptHostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TScriptError {
  std::wstring message;
  DWORD context = 0;  // of the code the error is in, as given to Run
  ULONG line = 0;     // 1-based, within that code; 0 when unknown
};

class TScriptEngine final : public IActiveScriptSite {
 public:
  // Raises EScriptHostError when the engine cannot be created or started.
  TScriptEngine();
  ~TScriptEngine() { Close(); }
  TScriptEngine(const TScriptEngine&) = delete;
  TScriptEngine& operator=(const TScriptEngine&) = delete;

  // A host object reachable from every script under name; the engine holds a reference until it closes.
  void AddGlobalObject(const std::wstring& name, IDispatch* object);
  // Runs code in the global context; the result is the error that stopped it (it did not compile or
  // raised an error nobody caught), if any. Code may run code of its own inside (a host call that runs
  // a callback): each run reports only its own error.
  std::optional<TScriptError> Run(const std::wstring& code, DWORD context = 0);
  // Ends the engine: it drops its references to the site and the host objects. Idempotent.
  void Close();

  // IUnknown. The engine is owned by its creator; the count only mirrors the script engine's references.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IActiveScriptSite
  STDMETHODIMP GetLCID(LCID* lcid) override;
  STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** typeInfo) override;
  STDMETHODIMP GetDocVersionString(BSTR* version) override;
  STDMETHODIMP OnScriptTerminate(const VARIANT* result, const EXCEPINFO* exception) override;
  STDMETHODIMP OnStateChange(SCRIPTSTATE state) override;
  STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
  STDMETHODIMP OnEnterScript() override;
  STDMETHODIMP OnLeaveScript() override;

 private:
  ComPtr<IActiveScript> fScript;
  ComPtr<IActiveScriptParse> fParse;
  std::map<std::wstring, IDispatch*> fObjects;  // not owned: the objects outlive the engine
  std::optional<TScriptError> fError;           // of the innermost run
  ULONG fReferences = 0;
};
