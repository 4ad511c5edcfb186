// MD5 of a 200 MB file with GetFileMd5 against md5sum, both on a file the page cache holds.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "BenchTiming.h"
#include "support/crypto/FileDigest.h"

int main() {
  const size_t size = 200u * 1024 * 1024;
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "tovlane_bench_md5.bin";
  {
    std::vector<char> block(1024 * 1024);
    for (size_t i = 0; i < block.size(); ++i) block[i] = char(i * 2654435761u >> 13);
    std::ofstream out(path, std::ios::binary);
    for (size_t written = 0; written < size; written += block.size())
      out.write(block.data(), std::streamsize(block.size()));
  }
  const double megabytes = double(size) / (1024 * 1024);
  const int runs = 3;
  std::wstring digest;
  TTiming ours = Best(runs, [&] { return TimeWork([&] { digest = GetFileMd5(path.wstring()); }); });
  TTiming md5sum = Best(runs, [&] { return TimeCommand({"md5sum", path.string()}); });
  std::filesystem::remove(path);

  Report("GetFileMd5", megabytes, ours);
  Report("md5sum", megabytes, md5sum);
  std::printf("digest %ls\nthroughput ratio (ours / md5sum): %.2f (goal >= 0.9)\n", digest.c_str(),
              md5sum.WallSeconds / ours.WallSeconds);
  return 0;
}
