#include "testkit/DispatchCall.h"

VARIANT Int(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
VARIANT Real(double value) {
  VARIANT v;
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}
VARIANT Text(const std::wstring& value) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = BstrOf(value).Release();
  return v;
}
VARIANT Kind(VARTYPE type) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  return v;
}
VARIANT Bool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

std::unique_ptr<TCallResult> Call(IDispatch* object, const wchar_t* method, std::vector<VARIANT> arguments) {
  auto call = std::make_unique<TCallResult>();
  LPOLESTR name = const_cast<LPOLESTR>(method);
  DISPID id = 0;
  call->hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (SUCCEEDED(call->hr)) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO exception = {};
    call->hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &parameters,
                              call->ret.Get(), &exception, nullptr);
    call->description = TextOfBstr(exception.bstrDescription);
    call->source = TextOfBstr(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
  }
  for (VARIANT& argument : arguments)
    if (argument.vt != VT_DISPATCH) VariantClear(&argument);
  return call;
}
