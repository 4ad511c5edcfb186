#include <gtest/gtest.h>

#include "shell/untPostData.h"

namespace {
// A byte array with the given lower bound, as the browser hands out form bodies.
SAFEARRAY* ByteArray(const std::string& bytes, LONG lowerBound) {
  SAFEARRAYBOUND bound = {ULONG(bytes.size()), lowerBound};
  SAFEARRAY* array = SafeArrayCreate(VT_UI1, 1, &bound);
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
  SafeArrayUnaccessData(array);
  return array;
}

VARIANT Variant(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = type;
  return v;
}
}  // namespace

TEST(PostDataToString, ByteArraysGiveOneCharacterPerByteFromAnyLowerBound) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  for (LONG lowerBound : {0L, 1L, 7L, -3L}) {
    VARIANT bytes = Variant(VT_ARRAY | VT_UI1);
    V_ARRAY(&bytes) = ByteArray("j_username=3&x=" + all, lowerBound);
    std::wstring text = PostDataToString(bytes);
    ASSERT_EQ(15u + 256u, text.size()) << lowerBound;
    EXPECT_EQ(L"j_username=3&x=", text.substr(0, 15));
    for (int b = 0; b < 256; ++b) EXPECT_EQ(wchar_t(b), text[15 + b]) << b;
    // The browser's form: a reference to the variant holding the array, also through a reference to the array.
    VARIANT reference = Variant(VT_BYREF | VT_VARIANT);
    V_VARIANTREF(&reference) = &bytes;
    EXPECT_EQ(text, PostDataToString(reference));
    VARIANT referenceOfReference = Variant(VT_BYREF | VT_VARIANT);
    V_VARIANTREF(&referenceOfReference) = &reference;
    EXPECT_EQ(text, PostDataToString(referenceOfReference));
    VARIANT arrayReference = Variant(VT_BYREF | VT_ARRAY | VT_UI1);
    V_ARRAYREF(&arrayReference) = &V_ARRAY(&bytes);
    EXPECT_EQ(text, PostDataToString(arrayReference));
    VariantClear(&bytes);
  }
  VARIANT empty = Variant(VT_ARRAY | VT_UI1);
  V_ARRAY(&empty) = ByteArray("", 5);
  EXPECT_EQ(L"", PostDataToString(empty));
  VariantClear(&empty);
}

TEST(PostDataToString, OtherVariantsAreConvertedToTextOrGiveEmptyText) {
  VARIANT text = Variant(VT_BSTR);
  V_BSTR(&text) = SysAllocString(L"j_username=3\u5b66&a=b");
  EXPECT_EQ(L"j_username=3\u5b66&a=b", PostDataToString(text));
  VARIANT number = Variant(VT_I4);
  V_I4(&number) = -42;
  EXPECT_EQ(L"-42", PostDataToString(number));
  LONG referred = 17;
  VARIANT numberReference = Variant(VT_BYREF | VT_I4);
  V_I4REF(&numberReference) = &referred;
  EXPECT_EQ(L"17", PostDataToString(numberReference));
  VARIANT nullReference = Variant(VT_BYREF | VT_VARIANT);
  V_VARIANTREF(&nullReference) = nullptr;
  VARIANT nullArray = Variant(VT_ARRAY | VT_UI1);
  for (const VARIANT& nothing : {Variant(VT_EMPTY), Variant(VT_NULL), nullReference, nullArray})
    EXPECT_EQ(L"", PostDataToString(nothing)) << V_VT(&nothing);
  // A variant that refers to itself ends the walk instead of looping.
  VARIANT loop = Variant(VT_BYREF | VT_VARIANT);
  V_VARIANTREF(&loop) = &loop;
  EXPECT_EQ(L"", PostDataToString(loop));
  VariantClear(&text);
}
