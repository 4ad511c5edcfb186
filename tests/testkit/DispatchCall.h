#pragma once
// Calling an IDispatch object as a page's script engine does: the name looked up, then invoked as a method.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/untVariant.h"

struct TCallResult {
  HRESULT hr = E_FAIL;
  TVariant ret;
  std::wstring description, source;
};

// The arguments, in the order the script writes them, are consumed.
std::unique_ptr<TCallResult> Call(IDispatch* object, const wchar_t* method, std::vector<VARIANT> arguments);

VARIANT Int(LONG value);
VARIANT Real(double value);
VARIANT Text(const std::wstring& value);
VARIANT Kind(VARTYPE type);
VARIANT Bool(bool value);
