#include "support/crypto/Digest.h"

#include <algorithm>
#include <cstring>

namespace {
uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

uint32_t Md5F(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
uint32_t Md5G(uint32_t b, uint32_t c, uint32_t d) { return c ^ (d & (b ^ c)); }
uint32_t Md5H(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
uint32_t Md5I(uint32_t b, uint32_t c, uint32_t d) { return c ^ (b | ~d); }

template <uint32_t (*Function)(uint32_t, uint32_t, uint32_t)>
void Md5Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t m, uint32_t k, int shift) {
  a = b + RotateLeft(a + Function(b, c, d) + m + k, shift);
}

// Both digests buffer input into 64-byte blocks and end with the same padding; only the byte
// order of the length and of the words differs.
template <typename Compressor>
void FeedBlocks(const uint8_t* in, size_t size, uint8_t* buffer, size_t& buffered, uint64_t& length,
                Compressor compress) {
  // Empty input may come without storage (an empty vector's data()), which memcpy must not see.
  if (size == 0) return;
  length += size;
  if (buffered) {
    size_t take = std::min(size, 64 - buffered);
    std::memcpy(buffer + buffered, in, take);
    buffered += take;
    in += take;
    size -= take;
    if (buffered < 64) return;
    compress(buffer);
    buffered = 0;
  }
  for (; size >= 64; in += 64, size -= 64) compress(in);
  std::memcpy(buffer, in, size);
  buffered = size;
}

template <typename Compressor>
void Pad(uint8_t* buffer, size_t buffered, uint64_t length, bool bigEndianLength, Compressor compress) {
  uint64_t bits = length * 8;
  buffer[buffered++] = 0x80;
  if (buffered > 56) {
    std::memset(buffer + buffered, 0, 64 - buffered);
    compress(buffer);
    buffered = 0;
  }
  std::memset(buffer + buffered, 0, 56 - buffered);
  for (int i = 0; i < 8; ++i) buffer[56 + i] = uint8_t(bits >> (bigEndianLength ? 56 - 8 * i : 8 * i));
  compress(buffer);
}
}  // namespace

TSha1::TSha1() : FState{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0} {}

void TSha1::Compress(const uint8_t* block) {
  uint32_t w[80];
  for (int i = 0; i < 16; ++i)
    w[i] = (uint32_t(block[4 * i]) << 24) | (uint32_t(block[4 * i + 1]) << 16) | (uint32_t(block[4 * i + 2]) << 8) |
           block[4 * i + 3];
  for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  uint32_t a = FState[0], b = FState[1], c = FState[2], d = FState[3], e = FState[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    uint32_t t = RotateLeft(a, 5) + f + e + k + w[i];
    e = d;
    d = c;
    c = RotateLeft(b, 30);
    b = a;
    a = t;
  }
  FState[0] += a;
  FState[1] += b;
  FState[2] += c;
  FState[3] += d;
  FState[4] += e;
}

void TSha1::Update(const void* data, size_t size) {
  FeedBlocks(static_cast<const uint8_t*>(data), size, FBuffer, FBuffered, FLength,
             [this](const uint8_t* block) { Compress(block); });
}

std::vector<uint8_t> TSha1::Final() {
  Pad(FBuffer, FBuffered, FLength, true, [this](const uint8_t* block) { Compress(block); });
  std::vector<uint8_t> digest(DigestSize);
  for (size_t i = 0; i < DigestSize; ++i) digest[i] = uint8_t(FState[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

TMd5::TMd5() : FState{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476} {}

void TMd5::Compress(const uint8_t* block) {
  // The sine-derived constants of RFC 1321.
  static const uint32_t kSine[64] = {
      0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
      0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
      0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
      0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
      0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
      0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
      0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
      0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = uint32_t(block[4 * i]) | (uint32_t(block[4 * i + 1]) << 8) | (uint32_t(block[4 * i + 2]) << 16) |
           (uint32_t(block[4 * i + 3]) << 24);
  uint32_t a = FState[0], b = FState[1], c = FState[2], d = FState[3];
  // Four steps per pass, the registers rotating through the argument positions; each round's
  // message index follows its own rule.
  for (int i = 0; i < 16; i += 4) {
    Md5Step<Md5F>(a, b, c, d, m[i], kSine[i], 7);
    Md5Step<Md5F>(d, a, b, c, m[i + 1], kSine[i + 1], 12);
    Md5Step<Md5F>(c, d, a, b, m[i + 2], kSine[i + 2], 17);
    Md5Step<Md5F>(b, c, d, a, m[i + 3], kSine[i + 3], 22);
  }
  for (int i = 16; i < 32; i += 4) {
    Md5Step<Md5G>(a, b, c, d, m[(5 * i + 1) % 16], kSine[i], 5);
    Md5Step<Md5G>(d, a, b, c, m[(5 * i + 6) % 16], kSine[i + 1], 9);
    Md5Step<Md5G>(c, d, a, b, m[(5 * i + 11) % 16], kSine[i + 2], 14);
    Md5Step<Md5G>(b, c, d, a, m[(5 * i + 16) % 16], kSine[i + 3], 20);
  }
  for (int i = 32; i < 48; i += 4) {
    Md5Step<Md5H>(a, b, c, d, m[(3 * i + 5) % 16], kSine[i], 4);
    Md5Step<Md5H>(d, a, b, c, m[(3 * i + 8) % 16], kSine[i + 1], 11);
    Md5Step<Md5H>(c, d, a, b, m[(3 * i + 11) % 16], kSine[i + 2], 16);
    Md5Step<Md5H>(b, c, d, a, m[(3 * i + 14) % 16], kSine[i + 3], 23);
  }
  for (int i = 48; i < 64; i += 4) {
    Md5Step<Md5I>(a, b, c, d, m[(7 * i) % 16], kSine[i], 6);
    Md5Step<Md5I>(d, a, b, c, m[(7 * i + 7) % 16], kSine[i + 1], 10);
    Md5Step<Md5I>(c, d, a, b, m[(7 * i + 14) % 16], kSine[i + 2], 15);
    Md5Step<Md5I>(b, c, d, a, m[(7 * i + 21) % 16], kSine[i + 3], 21);
  }
  FState[0] += a;
  FState[1] += b;
  FState[2] += c;
  FState[3] += d;
}

void TMd5::Update(const void* data, size_t size) {
  FeedBlocks(static_cast<const uint8_t*>(data), size, FBuffer, FBuffered, FLength,
             [this](const uint8_t* block) { Compress(block); });
}

std::vector<uint8_t> TMd5::Final() {
  Pad(FBuffer, FBuffered, FLength, false, [this](const uint8_t* block) { Compress(block); });
  std::vector<uint8_t> digest(DigestSize);
  for (size_t i = 0; i < DigestSize; ++i) digest[i] = uint8_t(FState[i / 4] >> (8 * (i % 4)));
  return digest;
}

std::vector<uint8_t> Sha1Of(const void* data, size_t size) {
  TSha1 sha;
  sha.Update(data, size);
  return sha.Final();
}

std::vector<uint8_t> Md5Of(const void* data, size_t size) {
  TMd5 md5;
  md5.Update(data, size);
  return md5.Final();
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}
