// Downloads 200 MB from the platform test server into memory, against curl on the same server.
// Run under tests/fixtures/run_with_server, from a Release build without sanitizers.
//
// In memory the stream dominates: a growing std::ostringstream copies the body again at each
// doubling and touches twice its pages, so the client is also measured into a buffer sized from
// the announced length (as an owner can do in OnWorkBegin) and into a sink that drops the bytes.
// curl is measured into a tmpfs file (its memory counterpart) and into /dev/null.
// Where first touches of fresh pages are dear (some virtual machines), they bound every figure into
// memory; GLIBC_TUNABLES=glibc.malloc.hugetlb=1 shows the same run with transparent huge pages.
#include <cstdlib>
#include <sstream>
#include <streambuf>
#include <vector>

#include "BenchTiming.h"
#include "support/http/HttpClient.h"

namespace {
// A memory stream that takes the announced size as its capacity.
class TSizedBuffer : public std::streambuf {
 public:
  void Reserve(int64_t size) { FData.reserve(size_t(size)); }
  size_t Size() const { return FData.size(); }

 protected:
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    FData.insert(FData.end(), data, data + size);
    return size;
  }

 private:
  std::vector<char> FData;
};

class TNullBuffer : public std::streambuf {
 public:
  size_t FCount = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize size) override {
    FCount += size_t(size);
    return size;
  }
};
}  // namespace

int main() {
  const char* server = std::getenv("TOVLANE_SERVER");
  if (!server) {
    std::fprintf(stderr, "TOVLANE_SERVER is not set\n");
    return 2;
  }
  const long long size = 200LL * 1024 * 1024;
  const std::string url = std::string(server) + "/bytes?size=" + std::to_string(size);
  const double megabytes = double(size) / (1024 * 1024);
  const int runs = 3;

  TTiming stringStream = Best(runs, [&] {
    std::ostringstream body;
    TTiming timing = TimeWork([&] { THttpClient().Get(url, body); });
    if (body.tellp() != size) throw std::runtime_error("short download");
    return timing;
  });
  TTiming sized = Best(runs, [&] {
    TSizedBuffer buffer;
    std::ostream body(&buffer);
    TTiming timing = TimeWork([&] {
      THttpClient client;
      client.OnWorkBegin = [&](int64_t expected) { buffer.Reserve(expected); };
      client.Get(url, body);
    });
    if (buffer.Size() != size_t(size)) throw std::runtime_error("short download");
    return timing;
  });
  TTiming dropped = Best(runs, [&] {
    TNullBuffer buffer;
    std::ostream body(&buffer);
    TTiming timing = TimeWork([&] { THttpClient().Get(url, body); });
    if (buffer.FCount != size_t(size)) throw std::runtime_error("short download");
    return timing;
  });
  const std::string tmpfsFile = "/dev/shm/tovlane_bench_download.bin";
  TTiming curlMemory = Best(runs, [&] { return TimeCommand({"curl", "-s", "-f", "-o", tmpfsFile, "--http1.0", url}); });
  std::remove(tmpfsFile.c_str());
  TTiming curlNull = Best(runs, [&] { return TimeCommand({"curl", "-s", "-f", "-o", "/dev/null", "--http1.0", url}); });

  Report("THttpClient, ostringstream", megabytes, stringStream);
  Report("THttpClient, sized buffer", megabytes, sized);
  Report("THttpClient, dropped", megabytes, dropped);
  Report("curl, tmpfs file", megabytes, curlMemory);
  Report("curl, /dev/null", megabytes, curlNull);
  std::printf("ratio into memory (sized buffer / curl tmpfs): %.2f (goal >= 0.8)\n",
              curlMemory.WallSeconds / sized.WallSeconds);
  std::printf("ratio dropped (ours / curl /dev/null): %.2f\n", curlNull.WallSeconds / dropped.WallSeconds);
  return 0;
}
