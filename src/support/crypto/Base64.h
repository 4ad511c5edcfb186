#pragma once
// Base64 with the standard alphabet and "=" padding, without line breaks.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class EBase64Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Base64Encode(const uint8_t* data, size_t size);
inline std::string Base64Encode(const std::vector<uint8_t>& data) { return Base64Encode(data.data(), data.size()); }

// Decodes the complete groups of four characters; a shorter trailing group is ignored. A character
// outside the alphabet, or padding anywhere but at the end of the last group, raises EBase64Error.
std::vector<uint8_t> Base64Decode(const std::string& text);
