#pragma once
// The registry wrapper with multi-string (REG_MULTI_SZ) values on the current key.
#include <string>
#include <vector>

#include "network/untRegistry.h"

class TReg : public TRegistry {
 public:
  using TRegistry::TRegistry;

  // Reads the REG_MULTI_SZ value into list. False, with list untouched, when list is null, the value is
  // missing, empty, unreadable or of another type.
  bool ReadStringList(const std::wstring& name, std::vector<std::wstring>* list) const;
  // Stores list as the REG_MULTI_SZ value; whether the registry accepted it.
  bool WriteStringList(const std::wstring& name, const std::vector<std::wstring>& list);
};
