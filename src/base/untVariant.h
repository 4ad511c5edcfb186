#pragma once
// Owners of automation values: one VARIANT, one BSTR.
#include <windows.h>

#include <oleauto.h>

#include <new>
#include <string>
#include <utility>

#include "base/untHandle.h"

class TVariant {
 public:
  TVariant() { VariantInit(&fValue); }
  ~TVariant() { VariantClear(&fValue); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;
  VARIANT* Get() { return &fValue; }
  const VARIANT& operator*() const { return fValue; }
  const VARIANT* operator->() const { return &fValue; }

 private:
  VARIANT fValue;
};

struct TBstrTraits {
  using Type = BSTR;
  static Type Empty() { return nullptr; }
  static void Close(Type text) { SysFreeString(text); }
};
using TBstr = THandle<TBstrTraits>;

// Raises std::bad_alloc when the system has no memory for the text.
inline TBstr BstrOf(const std::wstring& text) {
  TBstr owned(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!owned) throw std::bad_alloc();
  return owned;
}

// The whole text of a BSTR, embedded NULs included; a null BSTR is the empty text.
inline std::wstring TextOfBstr(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }
