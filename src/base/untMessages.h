#pragma once
// The one way from code below the application to the user. Library code raises or returns; what reaches a
// thread boundary ends here. The application installs the message box (its caption, its look); until then,
// and on any thread but the one that installed it, a text only reaches the log.
#include <windows.h>

#include <exception>
#include <string>

using TMessageBoxFunction = int (*)(HWND owner, const std::wstring& text, UINT types);

// Called once by the main thread at start.
void InstallMessageBox(TMessageBoxFunction show);

// Shows text with the installed box and returns the button pressed; 0 when nothing can be shown here.
int MsgBox(HWND owner, const std::wstring& text, UINT types);

// The message of the exception being handled, "unknown error" for one that is no std::exception. Call it
// inside a catch block only.
std::wstring CurrentErrorText();

// The default error display: logs "error: <text>", then shows the text with an error icon where MsgBox can.
void ReportError(HWND owner, const std::exception& error);
