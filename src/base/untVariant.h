#pragma once
// Owners of automation values (one VARIANT, one BSTR) and the readers of the arguments that scripts and
// controls pass.
#include <windows.h>

#include <oleauto.h>

#include <new>
#include <stdexcept>
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

// Numbers and booleans become text, and texts numbers, the same way on every system, whatever the user's locale.
inline constexpr LCID kArgumentLocale = 0x0409;

// A VT_BYREF | VT_VARIANT argument (as controls pass them) read through; any other argument is itself.
inline const VARIANT& Referred(const VARIANT& argument) {
  return argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal ? *argument.pvarVal : argument;
}
// Copies the value, by-reference arguments of every kind read through; raises std::invalid_argument.
inline void CopyReferred(const VARIANT& argument, TVariant& value) {
  if (FAILED(VariantCopyInd(value.Get(), const_cast<VARIANT*>(&argument))))
    throw std::invalid_argument("an argument cannot be read");
}
// For arguments that are strings or nothing (event arguments, texts a script converted itself): a string's
// text, read through Referred; any other value is the empty text. Never raises.
inline std::wstring StringOrEmpty(const VARIANT& argument) {
  const VARIANT& value = Referred(argument);
  return value.vt == VT_BSTR ? TextOfBstr(value.bstrVal) : std::wstring();
}
// For a page's arguments: any value as text, null and undefined empty, numbers in decimal, booleans "True" and
// "False"; raises std::invalid_argument "<name> cannot be read as text" when the value has none.
inline std::wstring ConvertedText(const VARIANT& argument, const char* name) {
  TVariant value;
  CopyReferred(argument, value);
  if (value->vt == VT_EMPTY || value->vt == VT_NULL) return std::wstring();
  TVariant text;
  if (FAILED(VariantChangeTypeEx(text.Get(), value.Get(), kArgumentLocale, VARIANT_ALPHABOOL, VT_BSTR)))
    throw std::invalid_argument(std::string(name) + " cannot be read as text");
  return TextOfBstr(text->bstrVal);
}
