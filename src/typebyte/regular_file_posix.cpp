#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "regular_file.hpp"

namespace {

// O_NONBLOCK keeps the open itself from hanging on a FIFO with no writer;
// once the file is known to be regular the flag is dropped again.
int OpenWithoutBlocking(const std::string& path, FileAccess access) {
  const int mode = access == FileAccess::Read ? O_RDONLY : O_RDWR;
  int fd;
  do {
    fd = ::open(path.c_str(), mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool IsRegularFile(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

bool MakeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, FileAccess access) {
  const int fd = OpenWithoutBlocking(path, access);
  if (fd < 0) return nullptr;
  std::FILE* stream = nullptr;
  if (IsRegularFile(fd) && MakeBlocking(fd)) {
    stream = ::fdopen(fd, access == FileAccess::Read ? "rb" : "r+b");
  }
  if (stream == nullptr) ::close(fd);
  return stream;
}

bool IdentifyFile(std::FILE* stream, FileIdentity& identity) {
  struct stat info;
  if (::fstat(::fileno(stream), &info) != 0) return false;
  identity.volume = static_cast<std::uint64_t>(info.st_dev);
  identity.file = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

bool FileLength(std::FILE* stream, std::int64_t& length) {
  struct stat info;
  if (::fstat(::fileno(stream), &info) != 0) return false;
  length = static_cast<std::int64_t>(info.st_size);
  return true;
}

bool SeekTo(std::FILE* stream, std::int64_t offset) {
  return ::fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool WriteByteAt(std::FILE* stream, std::int64_t offset, unsigned char byte) {
  ssize_t written;
  do {
    written = ::pwrite(::fileno(stream), &byte, 1, static_cast<off_t>(offset));
  } while (written < 0 && errno == EINTR);
  return written == 1;
}

bool SyncToDisk(std::FILE* stream) {
  int result;
#ifdef F_FULLFSYNC
  // On macOS fsync leaves the byte in the drive's cache; this flushes that.
  // Only a file system that cannot do it falls back to fsync: an error from
  // the flush itself, such as EIO, is a failed sync.
  do {
    result = ::fcntl(::fileno(stream), F_FULLFSYNC);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return true;
  if (errno != ENOTSUP && errno != ENOTTY && errno != EINVAL) return false;
#endif
  do {
    result = ::fsync(::fileno(stream));
  } while (result != 0 && errno == EINTR);
  return result == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
}
