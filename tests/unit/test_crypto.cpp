#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "support/crypto/Base64.h"
#include "support/crypto/Blowfish.h"
#include "support/crypto/Digest.h"
#include "support/crypto/FileDigest.h"
#include "support/crypto/PasswordCipher.h"
#include "support/crypto/SharedReadFile.h"

namespace {
TBytes FromHex(const std::string& hex) {
  TBytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string EncryptHex(const std::string& keyHex, const std::string& plainHex) {
  TBytes plain = FromHex(plainHex);
  uint8_t out[8];
  TBlowfish(FromHex(keyHex)).EncryptBlock(plain.data(), out);
  return ToHex(TBytes(out, out + 8));
}

std::string Sha1Hex(const std::string& text) { return ToHex(Sha1Of(text.data(), text.size())); }
std::string Md5Hex(const std::string& text) { return ToHex(Md5Of(text.data(), text.size())); }
}  // namespace

TEST(Blowfish, MatchesEricYoungsVectors) {
  struct {
    const char *key, *plain, *cipher;
  } vectors[] = {
      {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
      {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
      {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
      {"1111111111111111", "1111111111111111", "2466dd878b963c9d"},
      {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
      {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
      {"7ca110454a1a6e57", "01a1d6d039776742", "59c68245eb05282b"},
      // The variable-key vectors: prefixes of one key over the same block.
      {"f0e1d2c3", "fedcba9876543210", "be1e639408640f05"},
      {"f0e1d2c3b4a5968778695a4b3c2d1e0f0011223344556677", "fedcba9876543210", "05044b62fa52d080"},
  };
  for (const auto& v : vectors) {
    EXPECT_EQ(v.cipher, EncryptHex(v.key, v.plain)) << v.key;
    TBytes cipher = FromHex(v.cipher);
    uint8_t plain[8];
    TBlowfish(FromHex(v.key)).DecryptBlock(cipher.data(), plain);
    EXPECT_EQ(v.plain, ToHex(TBytes(plain, plain + 8))) << v.key;
  }
}

TEST(Blowfish, KeyLengthsOutsideFourToFiftySixAreRefused) {
  EXPECT_THROW(TBlowfish(TBytes(3, 1)), ECipherError);
  EXPECT_THROW(TBlowfish(TBytes(57, 1)), ECipherError);
  EXPECT_NO_THROW(TBlowfish(TBytes(4, 1)));
  EXPECT_NO_THROW(TBlowfish(TBytes(56, 1)));
}

TEST(BlowfishCfb8, DecryptsWhatItEncryptedAcrossPiecesOfAnySize) {
  const TBytes key = FromHex("00112233445566778899aabbccddeeff01234567");
  const uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  TBytes plain(200);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 7);
  TBytes whole = plain;
  TBlowfishCfb8(key, iv).Encrypt(whole.data(), whole.size());
  EXPECT_NE(plain, whole);
  // The register carries over between calls, so pieces give the same cipher text.
  TBytes pieces = plain;
  TBlowfishCfb8 encrypter(key, iv);
  encrypter.Encrypt(pieces.data(), 13);
  encrypter.Encrypt(pieces.data() + 13, 1);
  encrypter.Encrypt(pieces.data() + 14, pieces.size() - 14);
  EXPECT_EQ(whole, pieces);
  // A changed cipher byte garbles its own byte and the eight after it, nothing later.
  TBytes damaged = whole;
  damaged[50] ^= 0x80;
  TBlowfishCfb8(key, iv).Decrypt(damaged.data(), damaged.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.begin() + 50, damaged.begin()));
  EXPECT_TRUE(std::equal(plain.begin() + 59, plain.end(), damaged.begin() + 59));
  TBlowfishCfb8(key, iv).Decrypt(whole.data(), whole.size());
  EXPECT_EQ(plain, whole);
}

TEST(Sha1, MatchesFips180Examples) {
  EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709", Sha1Hex(""));
  EXPECT_EQ("a9993e364706816aba3e25717850c26c9cd0d89d", Sha1Hex("abc"));
  EXPECT_EQ("84983e441c3bd26ebaae4aa1f95129e5e54670f1",
            Sha1Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
  TSha1 million;
  const std::string tenA(10, 'a');
  for (int i = 0; i < 100000; ++i) million.Update(tenA.data(), tenA.size());
  EXPECT_EQ("34aa973cd4c4daa4f61eeb2bdbad27316534016f", ToHex(million.Final()));
}

TEST(Md5, MatchesRfc1321Suite) {
  EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(""));
  EXPECT_EQ("0cc175b9c0f1b6a831c399e269772661", Md5Hex("a"));
  EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", Md5Hex("abc"));
  EXPECT_EQ("f96b697d7cb7938d525a2f31aaf161d0", Md5Hex("message digest"));
  EXPECT_EQ("c3fcd3d76192e4007dfb496cca67e13b", Md5Hex("abcdefghijklmnopqrstuvwxyz"));
  EXPECT_EQ("d174ab98d277d9f5a5611c2c9f419d9f",
            Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
  std::string digits;
  for (int i = 0; i < 8; ++i) digits += "1234567890";
  EXPECT_EQ("57edf4a22be3c955ac49da2e2107b67a", Md5Hex(digits));
}

TEST(Digests, PiecesAroundBlockAndPaddingEdgesGiveTheWholeDigest) {
  std::mt19937 random(7);
  for (size_t size : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string text(size, '\0');
    for (char& c : text) c = char(random());
    TMd5 md5;
    TSha1 sha;
    for (size_t done = 0; done < size;) {
      size_t piece = std::min<size_t>(size - done, random() % 70);
      md5.Update(text.data() + done, piece);
      sha.Update(text.data() + done, piece);
      done += piece;
    }
    EXPECT_EQ(Md5Hex(text), ToHex(md5.Final())) << size;
    EXPECT_EQ(Sha1Hex(text), ToHex(sha.Final())) << size;
  }
}

// An empty vector's data() may be null; empty input is still the empty message, alone or between pieces.
TEST(Digests, EmptyInputWithoutStorageIsTheEmptyMessage) {
  const std::vector<uint8_t> none;
  EXPECT_EQ(Sha1Hex(""), ToHex(Sha1Of(none.data(), none.size())));
  EXPECT_EQ(Md5Hex(""), ToHex(Md5Of(none.data(), none.size())));
  TSha1 sha;
  TMd5 md5;
  for (const char* piece : {"a", "", "b"}) {
    const void* data = *piece ? piece : nullptr;
    sha.Update(data, std::strlen(piece));
    md5.Update(data, std::strlen(piece));
  }
  EXPECT_EQ(Sha1Hex("ab"), ToHex(sha.Final()));
  EXPECT_EQ(Md5Hex("ab"), ToHex(md5.Final()));
}

TEST(Base64, MatchesRfc4648Vectors) {
  const char* vectors[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
  for (const auto& v : vectors) {
    std::string plain = v[0];
    EXPECT_EQ(v[1], Base64Encode(TBytes(plain.begin(), plain.end())));
    EXPECT_EQ(TBytes(plain.begin(), plain.end()), Base64Decode(v[1]));
  }
  const TBytes all = [] {
    TBytes b;
    for (int i = 0; i < 256; ++i) b.push_back(uint8_t(i));
    return b;
  }();
  std::string text = Base64Encode(all);
  EXPECT_EQ(std::string::npos, text.find_first_of("\r\n"));
  EXPECT_EQ(all, Base64Decode(text));
}

TEST(Base64, DecodesOnlyCompleteGroupsAndForeignCharactersAsZeroBits) {
  const std::pair<std::string, TBytes> cases[] = {
      {"Zm9vYg", {'f', 'o', 'o'}},
      {"Zm9vY", {'f', 'o', 'o'}},
      {"Zm9", {}},
      {"Zm9v!mFy", {'f', 'o', 'o', 0x02, 'a', 'r'}},
      {"Zg==Zm9v", {'f', 'f', 'o', 'o'}},  // padding ends its own group only
      {"Z===", {0x64}},
      {"Zm 9", {'f', 0x60, 0x3D}},
      {std::string("Zm\0v", 4), {'f', 0x60, 0x2F}},
      {"\xFF\xFF\xFF\xFF", {0, 0, 0}},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(bytes, Base64Decode(text)) << text;
}

TEST(PasswordCipher, StoredFormRoundTripsAndHasTheLengthOfItsUtf16Bytes) {
  for (std::wstring password : {std::wstring(L""), std::wstring(L"a"), std::wstring(L"secret%21%40"),
                                std::wstring(L"\u5bc6\u7801pw"), std::wstring(100, L'x')}) {
    std::string stored = EncipherPassword(password);
    EXPECT_EQ(4 * ((2 * password.size() + 2) / 3), stored.size());
    // A fresh cipher for every call: the same password always gives the same text.
    EXPECT_EQ(stored, EncipherPassword(password));
    EXPECT_EQ(password, DecipherPassword(stored));
  }
  EXPECT_NE(EncipherPassword(L"ab").substr(0, 2), EncipherPassword(L"ba").substr(0, 2));
}

TEST(PasswordCipher, OddLastByteIsDroppedAndForeignTextDeciphersToSomeText) {
  // Three decoded bytes are one UTF-16 unit and an odd byte.
  std::string stored = EncipherPassword(L"xy");
  TBytes bytes = Base64Decode(stored);
  bytes.resize(3);
  EXPECT_EQ(L"x", DecipherPassword(Base64Encode(bytes)));
  // Two complete groups (six bytes, three characters); the trailing "!" is no complete group.
  const std::wstring garbled = DecipherPassword("not base64!");
  EXPECT_EQ(3u, garbled.size());
  EXPECT_EQ(DecipherPassword("notAbase"), garbled);
  EXPECT_EQ(L"", DecipherPassword("?!"));
}

TEST(GetFileMd5, DigestsTheWholeFileAndFailsForAMissingOne) {
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "tovlane_md5_test.bin";
  std::string content(3 * 256 * 1024 + 17, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 31 + (i >> 9));
  std::ofstream(path, std::ios::binary).write(content.data(), std::streamsize(content.size()));
  const std::string expected = Md5Hex(content);
  EXPECT_EQ(std::wstring(expected.begin(), expected.end()), GetFileMd5(path.wstring()));
  std::filesystem::remove(path);
  EXPECT_THROW(GetFileMd5(path.wstring()), EFileReadError);
}
