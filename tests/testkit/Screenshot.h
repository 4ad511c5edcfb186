#pragma once
#include <windows.h>

#include <string>

// Saves the window as it paints itself as <build folder>/screenshots/<name>.png; false on failure.
bool SaveWindowScreenshot(HWND window, const std::wstring& name);
