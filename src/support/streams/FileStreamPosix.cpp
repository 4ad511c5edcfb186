// The file stream of the host build, over a POSIX descriptor; share modes do not exist here.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support/streams/Streams.h"

namespace {

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (const wchar_t c : text) {
    const uint32_t code = static_cast<uint32_t>(c);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

int Descriptor(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

}  // namespace

TFileStream::TFileStream(const std::wstring& fileName, uint32_t mode) {
  const int accessModes[] = {O_RDONLY, O_WRONLY, O_RDWR};
  const bool create = (mode & fmCreate) == fmCreate;
  const int flags = create ? O_RDWR | O_CREAT | O_TRUNC : accessModes[std::min<uint32_t>(mode & 3, 2)];
  const std::string name = Utf8(fileName);
  const int fd = open(name.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    const std::string reason = std::strerror(errno);
    if (create) throw EFCreateError("Cannot create file \"" + name + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + name + "\". " + reason);
  }
  fHandle = reinterpret_cast<void*>(static_cast<intptr_t>(fd));
}

TFileStream::~TFileStream() { close(Descriptor(fHandle)); }

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const ssize_t done = read(Descriptor(fHandle), buffer, static_cast<size_t>(count));
  return done < 0 ? 0 : done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const ssize_t done = write(Descriptor(fHandle), buffer, static_cast<size_t>(count));
  return done < 0 ? 0 : done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  const int whences[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  const off_t result = lseek(Descriptor(fHandle), offset, whences[static_cast<int>(origin)]);
  if (result < 0) throw EStreamError("Stream seek error");
  return result;
}

void TFileStream::SetSize(int64_t size) {
  if (ftruncate(Descriptor(fHandle), size) != 0) throw EStreamError("Stream size error");
  if (Position() > size) SetPosition(size);
}
