#pragma once
// Seekable byte streams: the abstract stream, a memory stream whose bytes are reachable in place,
// and a file stream (its Windows implementation honours share modes).
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// Raised by a stream that cannot do what was asked (open, seek, resize, read or write a whole buffer).
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Transfer up to count bytes at the position and advance it; return the number transferred.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position; raises EStreamError when the stream cannot seek there.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual void SetSize(int64_t size) = 0;

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  int64_t Size();
  // Like Read/Write but a short transfer raises EStreamError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies count bytes from the source's position onward; count 0 copies the whole source from its start.
  int64_t CopyFrom(TStream& source, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

  // The stream's bytes in place; valid until the next write or resize.
  uint8_t* Memory() { return fData.data(); }

 private:
  std::vector<uint8_t> fData;
  int64_t fPosition = 0;
};

// Open modes, combined from one access value and one share value.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,  // creates or truncates the file, opened for reading and writing
};

class TFileStream : public TStream {
 public:
  // Raises EFOpenError (or EFCreateError with fmCreate) naming the file and the system's reason.
  TFileStream(const std::wstring& fileName, uint32_t mode);
  ~TFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

 private:
  void* fHandle;  // the platform's file handle
};
