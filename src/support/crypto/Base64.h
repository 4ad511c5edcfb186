#pragma once
// Base64 with the standard alphabet and "=" padding, without line breaks.

#include <cstdint>
#include <string>
#include <vector>

std::string Base64Encode(const uint8_t* data, size_t size);
inline std::string Base64Encode(const std::vector<uint8_t>& data) { return Base64Encode(data.data(), data.size()); }

// Decodes the complete groups of four characters; a shorter trailing group is ignored. Any text
// decodes: a character outside the alphabet counts as zero bits, and "x=" or "==" at the end of a
// group ends that group's bytes wherever the group stands.
std::vector<uint8_t> Base64Decode(const std::string& text);
