#include "base/Streams.h"

#include <algorithm>
#include <cstring>

int64_t TStream::Size() {
  const int64_t position = Position();
  const int64_t size = Seek(0, TSeekOrigin::soEnd);
  SetPosition(position);
  return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  const int64_t total = count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
  while (count > 0) {
    const int64_t chunk = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), chunk);
    WriteBuffer(buffer.data(), chunk);
    count -= chunk;
  }
  return total;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t size = static_cast<int64_t>(fData.size());
  if (count <= 0 || fPosition >= size) return 0;
  count = std::min(count, size - fPosition);
  std::memcpy(buffer, fData.data() + fPosition, static_cast<size_t>(count));
  fPosition += count;
  return count;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = fPosition + count;
  if (end > static_cast<int64_t>(fData.size())) SetSize(end);
  std::memcpy(fData.data() + fPosition, buffer, static_cast<size_t>(count));
  fPosition = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = fPosition;
  if (origin == TSeekOrigin::soEnd) base = static_cast<int64_t>(fData.size());
  if (base + offset < 0) throw EStreamError("Stream seek error");
  fPosition = base + offset;
  return fPosition;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Stream size error");
  fData.resize(static_cast<size_t>(size));
  fPosition = std::min(fPosition, size);
}
