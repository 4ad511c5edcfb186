// Reads arbitrary bytes as an HTTP response in pieces whose sizes the input also chooses.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "support/http/HttpResponse.h"

namespace {
class TFuzzSource : public IByteSource {
 public:
  TFuzzSource(const uint8_t* data, size_t size, size_t piece) : FData(data), FSize(size), FPiece(piece) {}
  size_t Receive(char* buffer, size_t size) override {
    size_t take = std::min({size, FPiece, FSize - FPos});
    std::copy(FData + FPos, FData + FPos + take, buffer);
    FPos += take;
    return take;
  }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FPiece;
  size_t FPos = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TFuzzSource source(data + 1, size - 1, size_t(data[0] % 16) + 1);
  THttpReader reader(source);
  try {
    THttpResponseHead head = reader.ReadHead();
    head.Header("Location");
    size_t total = 0;
    reader.ReadBody(BodyLayoutOf(head, data[0] & 0x80 ? "HEAD" : "GET"),
                    [&](const char*, size_t piece) { total += piece; });
    if (total > size) __builtin_trap();
  } catch (const EHttpError&) {
  }
  return 0;
}
