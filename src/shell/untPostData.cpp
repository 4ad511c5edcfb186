#include "shell/untPostData.h"

#include "base/untVariant.h"

namespace {
// Deeper chains of referring variants than any browser hands out are taken as malformed.
const int kMaxReferenceDepth = 8;

std::wstring BytesToString(SAFEARRAY* array) {
  if (!array || SafeArrayGetDim(array) != 1) return L"";
  LONG lower = 0, upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper))) return L"";
  void* data = nullptr;
  if (upper < lower || FAILED(SafeArrayAccessData(array, &data))) return L"";
  // The data begins at the lower bound's element.
  const BYTE* bytes = static_cast<const BYTE*>(data);
  std::wstring text(bytes, bytes + (size_t(upper) - size_t(lower) + 1));
  SafeArrayUnaccessData(array);
  return text;
}
}  // namespace

std::wstring PostDataToString(const VARIANT& postData) {
  const VARIANT* value = &postData;
  for (int depth = 0; V_VT(value) == (VT_BYREF | VT_VARIANT); ++depth) {
    if (depth == kMaxReferenceDepth || !V_VARIANTREF(value)) return L"";
    value = V_VARIANTREF(value);
  }
  if (V_VT(value) == (VT_ARRAY | VT_UI1)) return BytesToString(V_ARRAY(value));
  if (V_VT(value) == (VT_BYREF | VT_ARRAY | VT_UI1))
    return BytesToString(V_ARRAYREF(value) ? *V_ARRAYREF(value) : nullptr);
  TVariant text;
  if (FAILED(VariantChangeType(text.Get(), const_cast<VARIANT*>(value), 0, VT_BSTR))) return L"";
  return TextOfBstr(V_BSTR(text.Get()));
}
