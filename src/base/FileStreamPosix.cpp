// The file stream of the host build, over a POSIX descriptor; share modes do not exist here.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/Streams.h"
#include "base/untText.h"

namespace {

int Descriptor(void* handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

}  // namespace

TFileStream::TFileStream(const std::wstring& fileName, uint32_t mode) {
  const int accessModes[] = {O_RDONLY, O_WRONLY, O_RDWR};
  const bool create = (mode & fmCreate) == fmCreate;
  const int flags = create ? O_RDWR | O_CREAT | O_TRUNC : accessModes[std::min<uint32_t>(mode & 3, 2)];
  const std::string name = WideToAnsi(fileName);
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
