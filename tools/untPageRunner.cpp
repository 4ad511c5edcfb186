#include "tools/untPageRunner.h"

#include <algorithm>
#include <new>
#include <vector>

#include "base/untVariant.h"
#include "bridge/untCallbackScript.h"

namespace {

// The page's globals, written in the page's own language so that they behave as a browser's do: the
// global object is window, handlers are page functions, errors in them are the page's errors. Timers
// keep their handlers here; the loop only knows ids and times.
constexpr wchar_t kPagePrelude[] =
    LR"(var window = this;
var external = __pageRunner.external;
var __pageRunnerTimers = {};
function print(text) { __pageRunner.print(String(text)); }
function exit(code) { __pageRunner.exit(code === undefined ? 0 : code); }
function setTimeout(handler, ms) {
  var timer = { handler: typeof handler == "function" ? handler : new Function(String(handler)),
                args: Array.prototype.slice.call(arguments, 2) };
  var id = __pageRunner.setTimeout(ms);
  __pageRunnerTimers[id] = timer;
  return id;
}
function clearTimeout(id) { delete __pageRunnerTimers[id]; __pageRunner.clearTimeout(id); }
function __pageRunnerFire(id) {
  var timer = __pageRunnerTimers[id];
  delete __pageRunnerTimers[id];
  // Called directly when it can be, so that an error in it is reported at its own line.
  if (timer && timer.args.length == 0) (0, timer.handler)();
  else if (timer) timer.handler.apply(window, timer.args);
})";

enum : DISPID { kPrint = 1, kExit, kSetTimeout, kClearTimeout, kExternal };
const struct {
  const wchar_t* name;
  DISPID id;
} kMembers[] = {{L"print", kPrint},
                {L"exit", kExit},
                {L"setTimeout", kSetTimeout},
                {L"clearTimeout", kClearTimeout},
                {L"external", kExternal}};

// What makes a host call fail: the page sees a thrown error with this message.
class EHostCallError : public std::runtime_error {
 public:
  explicit EHostCallError(const wchar_t* message) : std::runtime_error("host call"), fMessage(message) {}
  const wchar_t* Message() const { return fMessage; }

 private:
  const wchar_t* fMessage;
};

// Argument index in call order; a missing argument reads as undefined.
VARIANT Argument(const DISPPARAMS& params, UINT index) {
  VARIANT empty;
  VariantInit(&empty);
  return index < params.cArgs ? params.rgvarg[params.cArgs - 1 - index] : empty;
}

// The argument converted to a number type; undefined reads as 0.
VARIANT NumberArgument(const DISPPARAMS& params, UINT index, VARTYPE type, const wchar_t* failure) {
  VARIANT source = Argument(params, index), number;
  VariantInit(&number);
  if (source.vt == VT_EMPTY) {
    source.vt = VT_I4;
    source.lVal = 0;
  }
  if (FAILED(VariantChangeType(&number, &source, 0, type))) throw EHostCallError(failure);
  return number;
}

}  // namespace

void WriteRunnerLine(DWORD stdHandle, const std::wstring& line) {
  HANDLE output = GetStdHandle(stdHandle);
  const std::wstring text = line + L"\r\n";
  DWORD mode = 0, written = 0;
  if (GetConsoleMode(output, &mode)) {
    WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
  WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

TPageRunner::TPageRunner(DWORD timeoutMs) : fTimeoutMs(timeoutMs), fLastTick(GetTickCount()) {
  fEngine.AddGlobalObject(L"__pageRunner", this);
}

uint64_t TPageRunner::Now() {
  const DWORD tick = GetTickCount();
  fClock += tick - fLastTick;  // unsigned difference: right across the 49-day wrap
  fLastTick = tick;
  return fClock;
}

int TPageRunner::Run(const std::wstring& pageScript, IDispatch* external) {
  fExternal = ComPtr<IDispatch>::Share(external);
  const uint64_t deadline = Now() + fTimeoutMs;
  if (auto error = fEngine.Run(kPagePrelude)) return ReportScriptError(*error);
  if (auto error = fEngine.Run(pageScript, kPageContext); error && !fExitCode) return ReportScriptError(*error);
  while (!fExitCode) {
    if (auto error = FireDueTimers()) return ReportScriptError(*error);
    if (fExitCode) break;
    const uint64_t now = Now();
    if (now >= deadline) return ReportTimeout();
    uint64_t wakeUp = deadline;
    for (const auto& timer : fTimers) wakeUp = std::min(wakeUp, timer.second);
    if (wakeUp > now) MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wakeUp - now), QS_ALLINPUT);
    // Callbacks may keep coming without a pause: timers and the deadline still get their turn.
    MSG message;
    while (!fExitCode && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
      if (Now() >= wakeUp) break;
    }
  }
  return *fExitCode;
}

std::optional<TScriptError> TPageRunner::FireDueTimers() {
  const uint64_t now = Now();
  std::vector<std::pair<uint64_t, LONG>> due;
  for (const auto& timer : fTimers)
    if (timer.second <= now) due.emplace_back(timer.second, timer.first);
  std::sort(due.begin(), due.end());
  for (const auto& timer : due) {
    // A handler that ran before may have cleared this one.
    if (fTimers.erase(timer.second) == 0) continue;
    auto error = fEngine.Run(L"__pageRunnerFire(" + std::to_wstring(timer.second) + L");");
    if (fExitCode) return std::nullopt;
    if (error) return error;
  }
  return std::nullopt;
}

void TPageRunner::RunCallback(const std::wstring& script) {
  ++fCallbacks;
  fEngine.Run(GuardedScript(script));
}

int TPageRunner::ReportScriptError(const TScriptError& error) {
  std::wstring text = L"script error: " + error.message;
  if (error.context == kPageContext && error.line > 0) text += L" (line " + std::to_wstring(error.line) + L")";
  WriteRunnerLine(STD_ERROR_HANDLE, text);
  return reScriptError;
}

int TPageRunner::ReportTimeout() {
  std::wstring text = L"timeout after " + std::to_wstring(fTimeoutMs) + L" ms without exit(); ";
  if (fTimers.empty()) {
    text += L"no timer pending";
  } else {
    const uint64_t now = Now();
    text += std::to_wstring(fTimers.size()) + L" timer(s) pending:";
    for (const auto& timer : fTimers)
      text += L" " + std::to_wstring(timer.first) + L" (due in " +
              std::to_wstring(timer.second > now ? timer.second - now : 0) + L" ms)";
  }
  text += L"; " + std::to_wstring(fCallbacks) + L" callback(s) delivered";
  WriteRunnerLine(STD_ERROR_HANDLE, text);
  return reTimeout;
}

STDMETHODIMP TPageRunner::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TPageRunner::AddRef() { return ++fReferences; }
STDMETHODIMP_(ULONG) TPageRunner::Release() { return --fReferences; }

STDMETHODIMP TPageRunner::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP TPageRunner::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP TPageRunner::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (const auto& member : kMembers)
    if (lstrcmpW(names[0], member.name) == 0) ids[0] = member.id;
  if (ids[0] == DISPID_UNKNOWN || count > 1) hr = DISP_E_UNKNOWNNAME;
  return hr;
}

STDMETHODIMP TPageRunner::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT*) {
  VARIANT ignored;
  VariantInit(&ignored);
  VARIANT& ret = result ? *result : ignored;
  VariantInit(&ret);
  DISPPARAMS none = {};
  try {
    Invoke(id, params ? *params : none, ret);
    VariantClear(&ignored);
    return S_OK;
  } catch (const EHostCallError& error) {
    if (exception) {
      *exception = EXCEPINFO();
      exception->bstrSource = SysAllocString(L"TovlanePageRunner");
      exception->bstrDescription = SysAllocString(error.Message());
      exception->scode = E_FAIL;
    }
    return DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void TPageRunner::Invoke(DISPID id, DISPPARAMS& params, VARIANT& result) {
  switch (id) {
    case kPrint:
      // The page's print hands over String(text).
      WriteRunnerLine(STD_OUTPUT_HANDLE, StringOrEmpty(Argument(params, 0)));
      return;
    case kExit:
      fExitCode = NumberArgument(params, 0, VT_I4, L"exit needs a whole number").lVal;
      // Thrown so that the rest of the page's code does not run; the loop ends when the engine returns.
      throw EHostCallError(L"exit");
    case kSetTimeout: {
      double ms = NumberArgument(params, 0, VT_R8, L"setTimeout needs a delay in milliseconds").dblVal;
      ms = ms > 0 ? std::min(ms, 2147483647.0) : 0;  // NaN and negative delays mean now, as in a browser
      fTimers[++fLastTimerId] = Now() + static_cast<uint64_t>(ms);
      result.vt = VT_I4;
      result.lVal = fLastTimerId;
      return;
    }
    case kClearTimeout:
      fTimers.erase(NumberArgument(params, 0, VT_I4, L"clearTimeout needs a timer id").lVal);
      return;
    case kExternal:
      result.vt = VT_DISPATCH;
      result.pdispVal = fExternal.Copy().Detach();
      return;
    default:
      throw EHostCallError(L"no such member");
  }
}
