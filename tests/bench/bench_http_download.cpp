// Downloads 200 MB from the platform test server into the system's streams, against curl on the same
// server. Run under tests/fixtures/run_with_server, from a Release build without sanitizers.
//
// First the way a setup program is downloaded: into a file opened for this writer alone, with a progress
// callback keeping the low 32 bits of the counts as the transfer does; the peak resident memory is read before and
// after, as the body must reach the file in pieces and never whole. Then the client is measured into a memory stream
// (which it sizes once from the announced length), into a file stream on tmpfs and into a stream that drops the bytes;
// curl into a tmpfs file (the counterpart of both) and into /dev/null. Where first touches of fresh pages are dear
// (some virtual machines), they bound every figure into memory; GLIBC_TUNABLES=glibc.malloc.hugetlb=1 shows the same
// run with transparent huge pages.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "BenchTiming.h"
#include "support/http/HttpClient.h"

namespace {
class TNullStream : public TStream {
 public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t count) override {
    FPosition += count;
    FSize = std::max(FSize, FPosition);
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    FPosition = offset + (origin == TSeekOrigin::soCurrent ? FPosition : origin == TSeekOrigin::soEnd ? FSize : 0);
    return FPosition;
  }
  void SetSize(int64_t size) override { FSize = size; }

 private:
  int64_t FPosition = 0;
  int64_t FSize = 0;
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
  const std::string tmpfsFile = "/dev/shm/tovlane_bench_download.bin";
  auto download = [&](TStream& body) {
    TTiming timing = TimeWork([&] { THttpClient().Get(url, body); });
    if (body.Size() != size) throw std::runtime_error("short download");
    return timing;
  };

  auto peakResidentMegabytes = [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
  };
  const double residentBefore = peakResidentMegabytes();
  TTiming setup = Best(runs, [&] {
    TFileStream body(std::wstring(tmpfsFile.begin(), tmpfsFile.end()), fmCreate | fmShareExclusive);
    std::atomic<int32_t> workCount{0}, workCountMax{0};
    THttpClient client;
    client.OnProgress = [&](int64_t received, int64_t expected) {
      workCountMax = static_cast<int32_t>(expected);
      workCount = static_cast<int32_t>(received);
      return true;
    };
    TTiming timing = TimeWork([&] { client.Get(url, body); });
    if (body.Size() != size || workCount != size) throw std::runtime_error("short download");
    return timing;
  });
  const double residentAfter = peakResidentMegabytes();

  TTiming memory = Best(runs, [&] {
    TMemoryStream body;
    return download(body);
  });
  TTiming file = Best(runs, [&] {
    TFileStream body(std::wstring(tmpfsFile.begin(), tmpfsFile.end()), fmCreate);
    return download(body);
  });
  TTiming dropped = Best(runs, [&] {
    TNullStream body;
    return download(body);
  });
  TTiming curlFile = Best(runs, [&] { return TimeCommand({"curl", "-s", "-f", "-o", tmpfsFile, "--http1.0", url}); });
  std::remove(tmpfsFile.c_str());
  TTiming curlNull = Best(runs, [&] { return TimeCommand({"curl", "-s", "-f", "-o", "/dev/null", "--http1.0", url}); });

  Report("setup into its file", megabytes, setup);
  Report("THttpClient, memory stream", megabytes, memory);
  Report("THttpClient, tmpfs file stream", megabytes, file);
  Report("THttpClient, dropped", megabytes, dropped);
  Report("curl, tmpfs file", megabytes, curlFile);
  Report("curl, /dev/null", megabytes, curlNull);
  std::printf("setup into its file / curl tmpfs: %.2f (goal >= 0.8); peak resident %.1f MB before, %.1f MB after\n",
              curlFile.WallSeconds / setup.WallSeconds, residentBefore, residentAfter);
  std::printf("ratio into memory (memory stream / curl tmpfs): %.2f (goal >= 0.8)\n",
              curlFile.WallSeconds / memory.WallSeconds);
  std::printf("ratio into a file (file stream / curl tmpfs): %.2f (goal >= 0.8)\n",
              curlFile.WallSeconds / file.WallSeconds);
  std::printf("ratio dropped (ours / curl /dev/null): %.2f\n", curlNull.WallSeconds / dropped.WallSeconds);
  return 0;
}
