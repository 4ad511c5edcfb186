#include "base/untMessages.h"

#include <atomic>

#include "base/untGlobal.h"
#include "base/untText.h"

namespace {

std::atomic<TMessageBoxFunction> gMessageBox{nullptr};
std::atomic<DWORD> gMessageThread{0};

}  // namespace

void InstallMessageBox(TMessageBoxFunction show) {
  gMessageThread = GetCurrentThreadId();
  gMessageBox = show;
}

int MsgBox(HWND owner, const std::wstring& text, UINT types) {
  const TMessageBoxFunction show = gMessageBox;
  // A box on another thread would have no message loop of the program's behind it and could block a worker.
  if (!show || GetCurrentThreadId() != gMessageThread) {
    WriteLog(L"message not shown: " + text);
    return 0;
  }
  return show(owner, text, types);
}

std::wstring CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception& error) {
    return AnsiToWide(error.what());
  } catch (...) {
    return L"unknown error";
  }
}

void ReportError(HWND owner, const std::exception& error) {
  const std::wstring text = AnsiToWide(error.what());
  WriteLog(L"error: " + text);
  if (gMessageBox && GetCurrentThreadId() == gMessageThread) MsgBox(owner, text, MB_OK | MB_ICONERROR);
}
