// Byte-for-byte cross-check of the cipher and digest library, and of the remembered login's stored passwords,
// against Nettle over random keys and lengths. Built in the native build only, where the host's Nettle is at hand.
#include <gtest/gtest.h>
#include <nettle/base64.h>
#include <nettle/blowfish.h>
#include <nettle/cfb.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <random>

#include "shell/untRememberedLogin.h"
#include "support/crypto/Base64.h"
#include "support/crypto/Blowfish.h"
#include "support/crypto/Digest.h"
#include "support/crypto/PasswordCipher.h"
#include "unit/LoginCaptureCases.h"

namespace {
TBytes RandomBytes(std::mt19937& random, size_t size) {
  TBytes bytes(size);
  for (uint8_t& b : bytes) b = uint8_t(random());
  return bytes;
}

TBytes NettleCfb8Encrypt(const TBytes& key, const uint8_t* iv, TBytes data) {
  blowfish_ctx ctx;
  blowfish_set_key(&ctx, key.size(), key.data());
  uint8_t state[BLOWFISH_BLOCK_SIZE];
  std::copy(iv, iv + BLOWFISH_BLOCK_SIZE, state);
  cfb8_encrypt(&ctx, reinterpret_cast<nettle_cipher_func*>(blowfish_encrypt), BLOWFISH_BLOCK_SIZE, state, data.size(),
               data.data(), data.data());
  return data;
}
// The stored password format composed from Nettle's parts: SHA-1 of the key text's UTF-16LE bytes as the
// Blowfish key, the encrypted zero block as the initial vector, CFB-8 and Base64. Characters of the basic plane.
std::string NettleStoredPassword(const std::wstring& password) {
  const uint8_t keyText[] = {'k', 0, '7', 0, 'r', 0, 'w', 0, 'q', 0, '2', 0, 'm', 0, 'f', 0};
  sha1_ctx sha;
  sha1_init(&sha);
  sha1_update(&sha, sizeof keyText, keyText);
  TBytes key(SHA1_DIGEST_SIZE);
  sha1_digest(&sha, key.size(), key.data());
  blowfish_ctx ctx;
  blowfish_set_key(&ctx, key.size(), key.data());
  const uint8_t zero[8] = {};
  uint8_t iv[8];
  blowfish_encrypt(&ctx, 8, iv, zero);
  TBytes plain;
  for (wchar_t c : password) plain.insert(plain.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
  const TBytes cipher = NettleCfb8Encrypt(key, iv, plain);
  std::string text(BASE64_ENCODE_RAW_LENGTH(cipher.size()), '\0');
  base64_encode_raw(text.data(), cipher.size(), cipher.data());
  return text;
}
}  // namespace

TEST(NettleCrossCheck, BlowfishBlocksForEveryKeyLength) {
  std::mt19937 random(1);
  for (size_t keySize = TBlowfish::MinKeySize; keySize <= TBlowfish::MaxKeySize; ++keySize) {
    TBytes key = RandomBytes(random, keySize);
    TBytes block = RandomBytes(random, 8);
    blowfish_ctx ctx;
    blowfish_set_key(&ctx, key.size(), key.data());
    uint8_t expected[8], actual[8];
    blowfish_encrypt(&ctx, 8, expected, block.data());
    TBlowfish(key).EncryptBlock(block.data(), actual);
    EXPECT_EQ(TBytes(expected, expected + 8), TBytes(actual, actual + 8)) << keySize;
  }
}

TEST(NettleCrossCheck, BlowfishCfb8UnderTwentyByteKeys) {
  std::mt19937 random(2);
  for (int round = 0; round < 200; ++round) {
    TBytes key = RandomBytes(random, 20);
    TBytes iv = RandomBytes(random, 8);
    TBytes plain = RandomBytes(random, random() % 300);
    TBytes expected = NettleCfb8Encrypt(key, iv.data(), plain);
    TBytes actual = plain;
    TBlowfishCfb8(key, iv.data()).Encrypt(actual.data(), actual.size());
    ASSERT_EQ(expected, actual) << "round " << round;
    TBlowfishCfb8(key, iv.data()).Decrypt(actual.data(), actual.size());
    ASSERT_EQ(plain, actual) << "round " << round;
  }
}

TEST(NettleCrossCheck, StoredPasswordIsSha1KeyedCfb8OfUtf16Le) {
  EXPECT_EQ(NettleStoredPassword(L"pw%21\u5b6f"), EncipherPassword(L"pw%21\u5b6f"));
}

TEST(NettleCrossCheck, RememberedLoginStoresThePasswordInTheFixedFormat) {
  for (const TLoginCaptureCase& c : kLoginCaptureCases) {
    if (!c.userWritten) continue;
    const TLoginCapture capture = DecideLoginCapture(L"https://www.tovlane.com/j_spring_security_check", c.body);
    const std::string expected = NettleStoredPassword(c.passwordWritten);
    EXPECT_EQ(std::wstring(expected.begin(), expected.end()), capture.write.value().storedPassword) << c.body;
  }
}

TEST(NettleCrossCheck, Sha1AndMd5OverRandomLengths) {
  std::mt19937 random(3);
  for (int round = 0; round < 300; ++round) {
    TBytes data = RandomBytes(random, random() % 2000);
    sha1_ctx sha;
    sha1_init(&sha);
    sha1_update(&sha, data.size(), data.data());
    TBytes sha1(SHA1_DIGEST_SIZE);
    sha1_digest(&sha, sha1.size(), sha1.data());
    md5_ctx md5;
    md5_init(&md5);
    md5_update(&md5, data.size(), data.data());
    TBytes md5sum(MD5_DIGEST_SIZE);
    md5_digest(&md5, md5sum.size(), md5sum.data());
    ASSERT_EQ(sha1, Sha1Of(data.data(), data.size())) << data.size();
    ASSERT_EQ(md5sum, Md5Of(data.data(), data.size())) << data.size();
  }
}

TEST(NettleCrossCheck, Base64BothWaysOverRandomLengths) {
  std::mt19937 random(4);
  for (int round = 0; round < 300; ++round) {
    TBytes data = RandomBytes(random, random() % 500);
    std::string expected(BASE64_ENCODE_RAW_LENGTH(data.size()), '\0');
    base64_encode_raw(expected.data(), data.size(), data.data());
    ASSERT_EQ(expected, Base64Encode(data));
    base64_decode_ctx ctx;
    base64_decode_init(&ctx);
    TBytes decoded(BASE64_DECODE_LENGTH(expected.size()) + 1);
    size_t length = decoded.size();
    ASSERT_TRUE(base64_decode_update(&ctx, &length, decoded.data(), expected.size(), expected.data()));
    ASSERT_TRUE(base64_decode_final(&ctx));
    decoded.resize(length);
    ASSERT_EQ(decoded, Base64Decode(expected));
  }
}
