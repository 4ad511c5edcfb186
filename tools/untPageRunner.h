#pragma once
// The page's world in the page runner: the globals a page script sees besides the engine's own (window,
// external, print, exit, setTimeout, clearTimeout), the timers, and the main thread's message loop that
// delivers the bridge's callbacks and fires the timers until the script calls exit or the time is up.
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "tools/untScriptEngine.h"

// Exit codes of the runner besides the script's own exit(code).
enum TRunnerExit : int { reFailed = 1, reScriptError = 2, reTimeout = 3 };
// The source context of the page's own script; the runner's code runs in context 0.
constexpr DWORD kPageContext = 1;

// One line, with CR LF, to the runner's standard output or error: UTF-8 into files and pipes.
void WriteRunnerLine(DWORD stdHandle, const std::wstring& line);

class TPageRunner final : public IDispatch {
 public:
  // Raises EScriptHostError when the script engine cannot be started.
  explicit TPageRunner(DWORD timeoutMs);
  // The engine is closed first: it releases the runner and the page's objects while they still exist.
  ~TPageRunner() { fEngine.Close(); }
  TPageRunner(const TPageRunner&) = delete;
  TPageRunner& operator=(const TPageRunner&) = delete;

  // Runs the page script with external as its window.external, then the loop; the result is the process's
  // exit code.
  int Run(const std::wstring& pageScript, IDispatch* external);
  // Runs one callback line in the page, on the main thread, guarded as the browser client guards it: an
  // error inside is lost.
  void RunCallback(const std::wstring& script);

  // IUnknown. Owned by its creator, which outlives the engine; the count only mirrors the engine's references.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IDispatch: print, exit, setTimeout, clearTimeout and external, behind the page's own global functions.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argumentError) override;

 private:
  uint64_t Now();
  int ReportScriptError(const TScriptError& error);
  int ReportTimeout();
  // Fires the timers due now, in the order they fall due; the result is the error nobody caught, if any.
  std::optional<TScriptError> FireDueTimers();
  void Invoke(DISPID id, DISPPARAMS& params, VARIANT& result);

  TScriptEngine fEngine;
  ComPtr<IDispatch> fExternal;
  DWORD fTimeoutMs;
  std::optional<int> fExitCode;
  std::map<LONG, uint64_t> fTimers;  // id -> when it falls due, on the runner's clock
  LONG fLastTimerId = 0;
  uint64_t fClock = 0;
  DWORD fLastTick;
  unsigned long fCallbacks = 0;
  ULONG fReferences = 0;
};
