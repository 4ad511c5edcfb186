#pragma once
// The client's browser: the WebBrowser control with the client's user agent and host flags, the remembered
// login watching its navigations and documents, the x87 control word put back after both events (page
// scripts and plug-ins change it, and the client's own arithmetic expects masked exceptions), and the
// executor that runs the bridge's callbacks in its page.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/untReg.h"
#include "base/untSettings.h"
#include "bridge/untTovlaneWebBrowserExternal.h"
#include "support/browser/WebBrowserHost.h"

// The longest wait for the blank first page.
inline constexpr DWORD kBlankPageTimeoutMs = 10000;
// All six exceptions masked, 64-bit precision, round to nearest.
inline constexpr uint16_t kFpuControlWord = 0x133F;

inline void SetFpuControlWord(uint16_t word) { __asm__ __volatile__("fldcw %0" : : "m"(word)); }

// Sets kFpuControlWord when the scope ends, however it ends.
class TFpuControlWordReset {
 public:
  TFpuControlWordReset() = default;
  TFpuControlWordReset(const TFpuControlWordReset&) = delete;
  TFpuControlWordReset& operator=(const TFpuControlWordReset&) = delete;
  ~TFpuControlWordReset() { SetFpuControlWord(kFpuControlWord); }
};

// The height of the main window's own title bar, under which the browser sits.
inline constexpr int kTitleHeight = 36;
// The browser's place in its window's client area: below the title, 10 pixels from the other edges.
RECT WebBrowserBounds(const RECT& client);

// The event handlers: the remembered login (reg as CaptureLoginSubmission and RefillLoginDocument take it),
// then kFpuControlWord.
void WebBrowserBeforeNavigate2(TReg* reg, const std::wstring& url, const VARIANT& postData);
void WebBrowserDocumentComplete(TReg* reg, IDispatch* browser);

// Logs the user agent, makes the control in parent with the handlers above (on the key of tovlaneSettings) and
// external as window.external, loads the blank page (waiting at most blankPageTimeoutMs) and starts the
// navigation to url unless it is blank once trimmed. Raises std::runtime_error when the control cannot be made.
std::unique_ptr<TWebBrowserHost> CreateNewWebBrowser(HWND parent, const std::wstring& url,
                                                     const TTovlaneSettings& tovlaneSettings,
                                                     std::function<IDispatch*()> external,
                                                     DWORD blankPageTimeoutMs = kBlankPageTimeoutMs);

// Runs the script in the current document of the attached browser.
class TWebBrowserScriptExecutor : public IScriptExecutor {
 public:
  // The browser's automation object; a reference is held, so a late callback never reaches a freed browser.
  void SetAttachedWebBrowser(IDispatch* browser) { FAttachedWebBrowser = ComPtr<IDispatch>::Share(browser); }
  void ExecJavascript(const std::wstring& script) override;

 private:
  ComPtr<IDispatch> FAttachedWebBrowser;
};
