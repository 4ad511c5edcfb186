#include "support/crypto/FileDigest.h"

#include <vector>

#include "base/Streams.h"
#include "support/crypto/Digest.h"

std::wstring GetFileMd5(const std::wstring& fileName) {
  // Others may read the file meanwhile, but not change it under the digest.
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  TMd5 md5;
  std::vector<uint8_t> buffer(256 * 1024);
  while (const int64_t got = file.Read(buffer.data(), static_cast<int64_t>(buffer.size())))
    md5.Update(buffer.data(), static_cast<size_t>(got));
  // A read that fails ends like the end of the file: only the position tells them apart.
  if (file.Position() != file.Size()) throw EStreamError("Stream read error");
  std::string hex = ToHex(md5.Final());
  return std::wstring(hex.begin(), hex.end());
}
