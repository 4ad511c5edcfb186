#pragma once
// Owners of one automation value each: a VARIANT, a BSTR.
#include <windows.h>

#include <oleauto.h>

#include <new>
#include <string>
#include <utility>

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

class TBstr {
 public:
  // Raises std::bad_alloc when the system has no memory for the text.
  explicit TBstr(const std::wstring& text) : fText(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
    if (!fText) throw std::bad_alloc();
  }
  ~TBstr() { SysFreeString(fText); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  BSTR Get() const { return fText; }
  BSTR Release() { return std::exchange(fText, nullptr); }

 private:
  BSTR fText;
};

// The whole text of a BSTR, embedded NULs included; a null BSTR is the empty text.
inline std::wstring TextOfBstr(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }
