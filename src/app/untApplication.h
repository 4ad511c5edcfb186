#pragma once
// What the two window modes share: GUI start-up, the message loop and the default error display.
#include <windows.h>

#include <exception>

// Common controls and OLE for the calling (main) thread.
void InitGuiApplication();

// Runs the message loop until WM_QUIT and returns its exit code.
int RunMessageLoop();

// The application's default error display: the exception's text in a message box, then the program goes on.
// Window procedures call it for any exception that would otherwise leave them.
void ShowDefaultError(HWND owner, const std::exception& error);
