#include "support/crypto/FileDigest.h"

#include <vector>

#include "support/crypto/Digest.h"
#include "support/crypto/SharedReadFile.h"

std::wstring GetFileMd5(const std::wstring& fileName) {
  TSharedReadFile file(fileName);
  TMd5 md5;
  std::vector<uint8_t> buffer(256 * 1024);
  while (size_t got = file.Read(buffer.data(), buffer.size())) md5.Update(buffer.data(), got);
  std::string hex = ToHex(md5.Final());
  return std::wstring(hex.begin(), hex.end());
}
