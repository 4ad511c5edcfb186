#include "network/untReg.h"

#include "network/untMtuRules.h"

bool TReg::ReadStringList(const std::wstring& name, std::vector<std::wstring>* list) const {
  if (!list || GetDataSize(name) <= 0) return false;
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadRaw(name, type, data) || type != REG_MULTI_SZ) return false;
  *list = ParseMultiString(data.data(), data.size());
  return true;
}

bool TReg::WriteStringList(const std::wstring& name, const std::vector<std::wstring>& list) {
  const std::vector<std::uint8_t> data = BuildMultiString(list);
  return CurrentKey() && RegSetValueExW(CurrentKey(), name.c_str(), 0, REG_MULTI_SZ, data.data(),
                                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}
