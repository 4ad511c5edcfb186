#pragma once
// Blowfish (standard key schedule, big-endian block layout) and its 8-bit cipher feedback mode.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

class ECipherError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBlowfish {
 public:
  static constexpr size_t BlockSize = 8;
  static constexpr size_t MinKeySize = 4;
  static constexpr size_t MaxKeySize = 56;

  // Keys of 4 to 56 bytes; any other length raises ECipherError.
  TBlowfish(const uint8_t* key, size_t keySize);
  explicit TBlowfish(const TBytes& key) : TBlowfish(key.data(), key.size()) {}

  void EncryptBlock(const uint8_t in[BlockSize], uint8_t out[BlockSize]) const;
  void DecryptBlock(const uint8_t in[BlockSize], uint8_t out[BlockSize]) const;

 private:
  uint32_t F(uint32_t x) const;
  void EncryptWords(uint32_t& left, uint32_t& right) const;

  uint32_t FP[18];
  uint32_t FS[4][256];
};

// CFB mode with 8-bit feedback: one block encryption per byte. The shift register starts at the
// initial vector and carries over between calls on the same object.
class TBlowfishCfb8 {
 public:
  TBlowfishCfb8(const TBytes& key, const uint8_t iv[TBlowfish::BlockSize]);

  void Encrypt(uint8_t* data, size_t size);
  void Decrypt(uint8_t* data, size_t size);

 private:
  uint8_t NextKeyByte();
  void Shift(uint8_t cipherByte);

  TBlowfish FCipher;
  uint8_t FRegister[TBlowfish::BlockSize];
};
