#pragma once
// What the two window modes share: GUI start-up, with the program's one message box, and the message loop.
#include <windows.h>

#include <functional>

// Common controls and OLE for the calling (main) thread; installs the "Tovlane" message box.
void InitGuiApplication();

// Runs the message loop until WM_QUIT and returns its exit code. hook, when given, sees every message first
// and returns true for one it has handled, which the loop then drops.
int RunMessageLoop(const std::function<bool(MSG&)>& hook = nullptr);
