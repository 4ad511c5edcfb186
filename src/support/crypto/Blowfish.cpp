#include "support/crypto/Blowfish.h"

#include <cstring>

namespace {
#include "support/crypto/BlowfishTables.inc"

uint32_t LoadBigEndian(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

void StoreBigEndian(uint32_t v, uint8_t* p) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
}  // namespace

TBlowfish::TBlowfish(const uint8_t* key, size_t keySize) {
  if (keySize < MinKeySize || keySize > MaxKeySize)
    throw ECipherError("Blowfish key must be 4 to 56 bytes long, not " + std::to_string(keySize));
  std::memcpy(FP, kInitialP, sizeof FP);
  std::memcpy(FS, kInitialS, sizeof FS);
  // The key, repeated cyclically, is XORed into the P-array; then the tables are replaced by
  // successive encryptions of an all-zero block.
  size_t k = 0;
  for (uint32_t& p : FP) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = (word << 8) | key[k];
      k = (k + 1) % keySize;
    }
    p ^= word;
  }
  uint32_t left = 0, right = 0;
  for (size_t i = 0; i < 18; i += 2) {
    EncryptWords(left, right);
    FP[i] = left;
    FP[i + 1] = right;
  }
  for (auto& box : FS) {
    for (size_t i = 0; i < 256; i += 2) {
      EncryptWords(left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

uint32_t TBlowfish::F(uint32_t x) const {
  return ((FS[0][x >> 24] + FS[1][(x >> 16) & 0xFF]) ^ FS[2][(x >> 8) & 0xFF]) + FS[3][x & 0xFF];
}

void TBlowfish::EncryptWords(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 0; i < 16; i += 2) {
    l ^= FP[i];
    r ^= F(l);
    r ^= FP[i + 1];
    l ^= F(r);
  }
  left = r ^ FP[17];
  right = l ^ FP[16];
}

void TBlowfish::EncryptBlock(const uint8_t in[BlockSize], uint8_t out[BlockSize]) const {
  uint32_t left = LoadBigEndian(in), right = LoadBigEndian(in + 4);
  EncryptWords(left, right);
  StoreBigEndian(left, out);
  StoreBigEndian(right, out + 4);
}

void TBlowfish::DecryptBlock(const uint8_t in[BlockSize], uint8_t out[BlockSize]) const {
  uint32_t l = LoadBigEndian(in), r = LoadBigEndian(in + 4);
  for (int i = 17; i > 1; i -= 2) {
    l ^= FP[i];
    r ^= F(l);
    r ^= FP[i - 1];
    l ^= F(r);
  }
  StoreBigEndian(r ^ FP[0], out);
  StoreBigEndian(l ^ FP[1], out + 4);
}

TBlowfishCfb8::TBlowfishCfb8(const TBytes& key, const uint8_t iv[TBlowfish::BlockSize]) : FCipher(key) {
  std::memcpy(FRegister, iv, sizeof FRegister);
}

uint8_t TBlowfishCfb8::NextKeyByte() {
  uint8_t block[TBlowfish::BlockSize];
  FCipher.EncryptBlock(FRegister, block);
  return block[0];
}

void TBlowfishCfb8::Shift(uint8_t cipherByte) {
  std::memmove(FRegister, FRegister + 1, sizeof FRegister - 1);
  FRegister[sizeof FRegister - 1] = cipherByte;
}

void TBlowfishCfb8::Encrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    data[i] ^= NextKeyByte();
    Shift(data[i]);
  }
}

void TBlowfishCfb8::Decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    uint8_t cipherByte = data[i];
    data[i] ^= NextKeyByte();
    Shift(cipherByte);
  }
}
