#pragma once
// SHA-1 (FIPS 180) and MD5 (RFC 1321), fed in pieces of any size.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TSha1 {
 public:
  static constexpr size_t DigestSize = 20;
  TSha1();
  void Update(const void* data, size_t size);
  // Ends the message; the object must not be updated afterwards.
  std::vector<uint8_t> Final();

 private:
  void Compress(const uint8_t* block);
  uint32_t FState[5];
  uint64_t FLength = 0;
  uint8_t FBuffer[64];
  size_t FBuffered = 0;
};

class TMd5 {
 public:
  static constexpr size_t DigestSize = 16;
  TMd5();
  void Update(const void* data, size_t size);
  std::vector<uint8_t> Final();

 private:
  void Compress(const uint8_t* block);
  uint32_t FState[4];
  uint64_t FLength = 0;
  uint8_t FBuffer[64];
  size_t FBuffered = 0;
};

std::vector<uint8_t> Sha1Of(const void* data, size_t size);
std::vector<uint8_t> Md5Of(const void* data, size_t size);
// Lower-case hexadecimal digits, two per byte.
std::string ToHex(const std::vector<uint8_t>& bytes);
