#pragma once
// The registry's multi-string (REG_MULTI_SZ) layout, free of any platform call.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// REG_MULTI_SZ data (UTF-16LE bytes) as a list: each NUL ends a string (an empty one too), a NUL right
// after a NUL ends the walk, a last string without its NUL is dropped, an odd last byte is ignored.
std::vector<std::wstring> ParseMultiString(const std::uint8_t* data, std::size_t size);

// The list in that layout: each string and a NUL, then one more NUL. Strings hold UTF-16 code units.
std::vector<std::uint8_t> BuildMultiString(const std::vector<std::wstring>& list);
