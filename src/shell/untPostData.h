#pragma once
// The POST data of a browser navigation as text, for the remembered login's capture.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <string>

// A variant referring to another variant is followed first. A byte array becomes one character per byte (its
// value as the code), from the lower to the upper bound; any other variant is converted to text, and one that
// cannot be (empty, null, an object) gives an empty text.
std::wstring PostDataToString(const VARIANT& postData);
