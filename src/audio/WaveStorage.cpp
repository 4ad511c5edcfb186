#include "audio/WaveStorage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

constexpr uint32_t kHeaderSize = 8;  // chunk id and size
constexpr uint32_t kMinFormatChunk = 14;
constexpr uint32_t kMaxAudioBytes = 0xFFFFFFFFu - 64;  // the RIFF size field must still hold the image

struct TChunkHeader {
  char id[4];
  uint32_t size;
};

bool IsId(const char* id, const char* expected) { return std::memcmp(id, expected, 4) == 0; }

void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

bool ReadHeader(TStream& stream, int64_t offset, TChunkHeader& header) {
  uint8_t bytes[kHeaderSize];
  stream.SetPosition(offset);
  if (stream.Read(bytes, kHeaderSize) != kHeaderSize) return false;
  std::memcpy(header.id, bytes, 4);
  header.size = GetU32(bytes + 4);
  return true;
}

// Offset of the chunk that follows one at offset, skipping the pad byte of an odd chunk.
int64_t NextChunk(int64_t offset, uint32_t size) { return offset + kHeaderSize + size + (size & 1); }

// Finds the chunk with the id among the chunks from offset up to limit; −1 when none.
int64_t FindChunk(TStream& stream, int64_t offset, int64_t limit, const char* id, TChunkHeader& header) {
  for (; offset + kHeaderSize <= limit; offset = NextChunk(offset, header.size)) {
    if (!ReadHeader(stream, offset, header)) return -1;
    if (IsId(header.id, id)) return offset;
  }
  return -1;
}

}  // namespace

TWaveStreamAdapter::TWaveStreamAdapter(TStream* stream, TStreamOwnership ownership)
    : fStream(stream), fOwnership(ownership) {}

TWaveStreamAdapter::~TWaveStreamAdapter() {
  if (fState == wssReading) EndRead();
  if (fState == wssWriting) EndRewrite();
  if (fOwnership == soOwned) delete fStream;
}

bool TWaveStreamAdapter::Empty() const {
  try {
    return fStream->Size() == 0;
  } catch (const std::exception&) {
    return true;
  }
}

uint32_t TWaveStreamAdapter::DataSize() { return ReadDetails() ? fDataSize : 0; }

int64_t TWaveStreamAdapter::DataOffset() { return ReadDetails() ? fDataOffset : 0; }

const TWaveFormatEx* TWaveStreamAdapter::WaveFormat() {
  return ReadDetails() ? reinterpret_cast<const TWaveFormatEx*>(fWaveFormat.data()) : nullptr;
}

TPCMFormat TWaveStreamAdapter::PCMFormat() {
  const TWaveFormatEx* format = WaveFormat();
  return format ? PcmFormatOf(*format) : nonePCM;
}

uint32_t TWaveStreamAdapter::Length() {
  const TWaveFormatEx* format = WaveFormat();
  if (!format || format->nAvgBytesPerSec == 0) return 0;
  return MulDivRoundUnsigned(1000, fDataSize, format->nAvgBytesPerSec);
}

int64_t TWaveStreamAdapter::Position() const {
  return fState == wssReading || fState == wssWriting ? fPassOffset - fDataOffset : -1;
}

void TWaveStreamAdapter::SetPosition(int64_t position) {
  if (fState == wssReading || fState == wssWriting) fPassOffset = fDataOffset + std::max<int64_t>(position, 0);
}

void TWaveStreamAdapter::NotifyChanging() {
  if (fModified) return;
  fValid = false;
  fModified = true;
  if (fOnChanging) fOnChanging(*this);
}

void TWaveStreamAdapter::NotifyChange() {
  if (fOnChange) fOnChange(*this);
}

void TWaveStreamAdapter::ForgetDetails() {
  fWaveFormat.clear();
  fDataSize = 0;
  fDataOffset = 0;
}

bool TWaveStreamAdapter::ReadDetails() {
  if (!fModified || fState == wssWriting) return fValid;
  fModified = false;
  ForgetDetails();
  try {
    fValid = Parse();
    fStream->SetPosition(0);
  } catch (const std::exception&) {
    fValid = false;
  }
  if (!fValid) ForgetDetails();
  NotifyChange();
  return fValid;
}

// Every size is checked against the stream before it is used, so a malformed image cannot make the
// parse read past the end, allocate more than the stream holds, or loop. RIFF and data sizes beyond the
// stream (a truncated file, a streamed header of 0xFFFFFFFF) are cut to what the stream holds.
bool TWaveStreamAdapter::Parse() {
  TStream& stream = *fStream;
  const int64_t size = stream.Size();
  TChunkHeader header;
  int64_t riff = 0;
  for (;; riff = NextChunk(riff, header.size)) {
    if (riff + kHeaderSize + 4 > size || !ReadHeader(stream, riff, header)) return false;
    char form[4];
    if (stream.Read(form, 4) != 4) return false;
    if (IsId(header.id, "RIFF") && IsId(form, "WAVE")) break;
  }
  if (header.size < 4) return false;
  const int64_t limit = std::min<int64_t>(riff + kHeaderSize + header.size, size);

  const int64_t fmt = FindChunk(stream, riff + kHeaderSize + 4, limit, "fmt ", header);
  if (fmt < 0 || header.size < kMinFormatChunk || fmt + kHeaderSize + header.size > size) return false;
  std::vector<uint8_t> format(std::max<size_t>(header.size, sizeof(TWaveFormatEx)), 0);
  stream.SetPosition(fmt + kHeaderSize);
  if (stream.Read(format.data(), header.size) != header.size) return false;
  // A record that claims more extension bytes than its chunk holds would be copied past its end.
  if (WaveFormatSize(*reinterpret_cast<const TWaveFormatEx*>(format.data())) > format.size()) return false;

  // Our own images put "data" right after an odd "fmt " chunk; other writers pad that chunk to an even size.
  const uint32_t formatChunk = header.size;
  int64_t data = FindChunk(stream, fmt + kHeaderSize + formatChunk, limit, "data", header);
  if (data < 0 && (formatChunk & 1)) data = FindChunk(stream, NextChunk(fmt, formatChunk), limit, "data", header);
  if (data < 0) return false;
  fWaveFormat = std::move(format);
  fDataOffset = data + kHeaderSize;
  fDataSize = static_cast<uint32_t>(std::min<int64_t>(header.size, size - fDataOffset));
  return true;
}

bool TWaveStreamAdapter::SameWaveFormat(const TWaveFormatEx* format) {
  const TWaveFormatEx* own = WaveFormat();
  return own && format && own->cbSize == format->cbSize && std::memcmp(own, format, WaveFormatSize(*own)) == 0;
}

bool TWaveStreamAdapter::LoadFromStream(TStream& source) {
  NotifyChanging();
  bool copied = true;
  try {
    fStream->SetPosition(0);
    const int64_t count = source.Size() - source.Position();
    if (count > 0) fStream->CopyFrom(source, count);
    fStream->SetSize(std::max<int64_t>(count, 0));
  } catch (const std::exception&) {
    copied = false;
  }
  fState = wssReady;
  return ReadDetails() && copied;
}

bool TWaveStreamAdapter::SaveToStream(TStream& target) {
  try {
    fStream->SetPosition(0);
    const int64_t size = fStream->Size();
    if (size > 0) target.CopyFrom(*fStream, size);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TWaveStreamAdapter::LoadFromFile(const std::wstring& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  return LoadFromStream(file);
}

bool TWaveStreamAdapter::SaveToFile(const std::wstring& fileName) {
  TFileStream file(fileName, fmCreate);
  return SaveToStream(file);
}

void TWaveStreamAdapter::Clear() {
  NotifyChanging();
  try {
    fStream->SetSize(0);
  } catch (const std::exception&) {
    // The stream keeps its bytes; the next read of the details tells what they are.
  }
  fState = wssReady;
  NotifyChange();
}

bool TWaveStreamAdapter::BeginRewrite(const TWaveFormatEx* format) {
  if (fState != wssReady || !format) return false;
  const uint32_t formatSize = static_cast<uint32_t>(WaveFormatSize(*format));
  std::vector<uint8_t> header(12 + kHeaderSize + formatSize + kHeaderSize);
  std::memcpy(header.data(), "RIFF", 4);
  PutU32(header.data() + 4, 4 + kHeaderSize + formatSize + kHeaderSize);
  std::memcpy(header.data() + 8, "WAVEfmt ", 8);
  PutU32(header.data() + 16, formatSize);
  std::memcpy(header.data() + 20, format, formatSize);
  std::memcpy(header.data() + 20 + formatSize, "data", 4);
  try {
    fStream->SetSize(0);
    fStream->SetPosition(0);
    fStream->WriteBuffer(header.data(), static_cast<int64_t>(header.size()));
  } catch (const std::exception&) {
    return false;
  }
  fState = wssWriting;
  fValid = false;
  fDataOffset = static_cast<int64_t>(header.size());
  fPassOffset = fDataEnd = fDataOffset;
  NotifyChanging();
  return true;
}

bool TWaveStreamAdapter::BeginRewritePCM(TPCMFormat preset) {
  if (preset == nonePCM) return false;
  TWaveFormatEx format{};
  FillPcmFormat(format, preset);
  return BeginRewrite(&format);
}

int64_t TWaveStreamAdapter::Write(const void* buffer, int64_t count) {
  if (fState != wssWriting || count < 0 || fPassOffset - fDataOffset + count > kMaxAudioBytes) return -1;
  try {
    fStream->SetPosition(fPassOffset);
    const int64_t written = fStream->Write(buffer, count);
    fPassOffset += written;
    fDataEnd = std::max(fDataEnd, fPassOffset);
    return written;
  } catch (const std::exception&) {
    return -1;
  }
}

bool TWaveStreamAdapter::EndRewrite() {
  if (fState != wssWriting) return false;
  fState = wssReady;
  const uint32_t audio = static_cast<uint32_t>(fDataEnd - fDataOffset);
  try {
    uint8_t size[4];
    PutU32(size, audio);
    fStream->SetPosition(fDataOffset - 4);
    fStream->WriteBuffer(size, 4);
    // The RIFF size counts the pad byte of an odd data chunk, although the image ends without it.
    PutU32(size, static_cast<uint32_t>(fDataOffset - kHeaderSize + audio + (audio & 1)));
    fStream->SetPosition(4);
    fStream->WriteBuffer(size, 4);
    fStream->SetSize(fDataEnd);
    fStream->SetPosition(0);
  } catch (const std::exception&) {
    ReadDetails();
    return false;
  }
  return ReadDetails();
}

bool TWaveStreamAdapter::BeginRead() {
  if (!Valid() || fState != wssReady) return false;
  fState = wssReading;
  fPassOffset = fDataOffset;
  return true;
}

int64_t TWaveStreamAdapter::Read(void* buffer, int64_t count) {
  if (fState != wssReading || count < 0) return -1;
  try {
    fStream->SetPosition(fPassOffset);
    const int64_t done = fStream->Read(buffer, count);
    fPassOffset += done;
    return done;
  } catch (const std::exception&) {
    return -1;
  }
}

bool TWaveStreamAdapter::EndRead() {
  if (fState != wssReading) return false;
  fState = wssReady;
  return true;
}

void* TWaveStreamAdapter::AccessData(bool forceCopy) {
  if (!Valid() || fDataSize == 0) return nullptr;
  if (auto* memory = dynamic_cast<TMemoryStream*>(fStream); memory && !forceCopy) return memory->Memory() + fDataOffset;
  void* copy = std::malloc(fDataSize);
  if (!copy) return nullptr;
  try {
    fStream->SetPosition(fDataOffset);
    if (fStream->Read(copy, fDataSize) == fDataSize) return copy;
  } catch (const std::exception&) {
  }
  std::free(copy);
  return nullptr;
}

void TWaveStreamAdapter::ReleaseData(void* data, bool writeBack) {
  if (!data) return;
  if (auto* memory = dynamic_cast<TMemoryStream*>(fStream); memory && data == memory->Memory() + fDataOffset) return;
  if (writeBack) {
    try {
      fStream->SetPosition(fDataOffset);
      fStream->WriteBuffer(data, fDataSize);
    } catch (const std::exception&) {
      // The caller asked for a best-effort write-back; the copy is freed all the same.
    }
  }
  std::free(data);
}

TWave::TWave() : TWaveStreamAdapter(new TMemoryStream, soOwned) {}

TWaveFile::TWaveFile(const std::wstring& fileName, uint32_t mode)
    : TWaveStreamAdapter(new TFileStream(fileName, mode), soOwned) {}

void TWaveStorage::SetWave(TWaveStreamAdapter* value) {
  if (!value) {
    fWave.Clear();
    return;
  }
  TMemoryStream copy;
  value->SaveToStream(copy);
  copy.SetPosition(0);
  fWave.LoadFromStream(copy);
}
