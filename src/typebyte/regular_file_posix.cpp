#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "regular_file.hpp"

namespace {

int OpenMode(FileAccess access) {
  return (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_NOCTTY | O_CLOEXEC;
}

int OpenRetryingOnSignal(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool IsRegularFile(int fd) {
  struct stat info;
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

bool IdentifyDescriptor(int fd, FileIdentity& identity) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return false;
  identity = IdentityOf(info);
  return true;
}

bool MakeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

#ifdef O_PATH
// Linux: a descriptor of what the path names, got without opening it, so
// that a FIFO lets no writer through, no device driver is called and no
// lease is broken; -1 when it is no regular file.
int LookAtRegularFile(const std::string& path) {
  const int found = OpenRetryingOnSignal(path.c_str(), O_PATH | O_CLOEXEC);
  if (found < 0 || IsRegularFile(found)) return found;
  ::close(found);
  return -1;
}

// Opens the looked-at file through its /proc entry, which names that very
// file whatever the path names by now. So a plain blocking open is safe: it
// cannot meet a FIFO, and it waits for a lease holder (Samba, nfsd) to let
// go, as any program's open does. Fails with ENOENT where /proc is missing.
// A /proc that is not the kernel's could name any file, a FIFO among them:
// what the entry names must be the file looked at before it is opened, and
// what opened must be that file too, or it is refused.
int OpenLookedAt(int found, FileAccess access) {
  const std::string self = "/proc/self/fd/" + std::to_string(found);
  FileIdentity lookedAt, named, opened;
  if (!IdentifyDescriptor(found, lookedAt)) return -1;
  if (!IdentifyPath(self, named)) return -1;  // ENOENT without /proc
  int fd = -1;
  if (named == lookedAt) {
    fd = OpenRetryingOnSignal(self.c_str(), OpenMode(access));
    if (fd < 0 || (IdentifyDescriptor(fd, opened) && opened == lookedAt)) return fd;
    ::close(fd);
  }
  errno = EACCES;
  return -1;
}
#endif

// O_NONBLOCK keeps the open from hanging on a FIFO; the flag is dropped
// again once the file is known to be regular.
int OpenWithoutBlocking(const std::string& path, FileAccess access) {
  const int fd = OpenRetryingOnSignal(path.c_str(), OpenMode(access) | O_NONBLOCK);
  if (fd >= 0 && (!IsRegularFile(fd) || !MakeBlocking(fd))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int OpenRegularDescriptor(const std::string& path, FileAccess access) {
#ifdef O_PATH
  const int found = LookAtRegularFile(path);
  if (found < 0) return -1;
  const int fd = OpenLookedAt(found, access);
  const bool noProc = fd < 0 && errno == ENOENT;
  ::close(found);
  if (!noProc) return fd;
#else
  // Elsewhere a FIFO or device is seen before the open, unless it is put
  // in the file's place in between; the open still refuses it then.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
#endif
  return OpenWithoutBlocking(path, access);
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, FileAccess access) {
  const int fd = OpenRegularDescriptor(path, access);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, access == FileAccess::Read ? "rb" : "r+b");
  if (stream == nullptr) ::close(fd);
  return stream;
}

bool IdentifyFile(std::FILE* stream, FileIdentity& identity) {
  return IdentifyDescriptor(::fileno(stream), identity);
}

bool IdentifyPath(const std::string& path, FileIdentity& identity) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  identity = IdentityOf(info);
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

bool ReadByteAt(std::FILE* stream, std::int64_t offset, int& byte) {
  unsigned char value;
  ssize_t count;
  do {
    count = ::pread(::fileno(stream), &value, 1, static_cast<off_t>(offset));
  } while (count < 0 && errno == EINTR);
  if (count < 0) return false;
  byte = count == 1 ? value : EOF;
  return true;
}

bool WriteByteAt(std::FILE* stream, std::int64_t offset, unsigned char byte) {
  ssize_t written;
  do {
    written = ::pwrite(::fileno(stream), &byte, 1, static_cast<off_t>(offset));
  } while (written < 0 && errno == EINTR);
  return written == 1;
}

namespace {

bool SyncDescriptor(int fd) {
  int result;
#ifdef F_FULLFSYNC
  // On macOS fsync leaves the byte in the drive's cache; this flushes that.
  // Only a file system that cannot do it falls back to fsync: an error from
  // the flush itself, such as EIO, is a failed sync.
  do {
    result = ::fcntl(fd, F_FULLFSYNC);
  } while (result != 0 && errno == EINTR);
  if (result == 0) return true;
  if (errno != ENOTSUP && errno != ENOTTY && errno != EINVAL) return false;
#endif
  do {
    result = ::fsync(fd);
  } while (result != 0 && errno == EINTR);
  return result == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
}

}  // namespace

bool SyncToDisk(std::FILE* stream) { return SyncDescriptor(::fileno(stream)); }

bool HasLink(std::FILE* stream) {
  struct stat info;
  return ::fstat(::fileno(stream), &info) == 0 && info.st_nlink > 0;
}

namespace {

// Linux: a lock of the open file itself, as Windows has, which a close of
// another descriptor of the file does not let go; kernels before 3.15 lack
// it. Elsewhere a lock of the process, which the tool takes only once the
// read is closed.
int SetLock(int fd, struct flock lock) {
#ifdef F_OFD_SETLK
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
  if (errno != EINVAL) return errno;
#endif
  return ::fcntl(fd, F_SETLK, &lock) == 0 ? 0 : errno;
}

struct flock ByteAt(std::int64_t offset) {
  struct flock lock {};
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
  return lock;
}

}  // namespace

ByteLock LockByte(std::FILE* stream, std::int64_t offset) {
  struct flock lock = ByteAt(offset);
  lock.l_type = F_WRLCK;
  const int error = SetLock(::fileno(stream), lock);
  if (error == 0) return ByteLock::Taken;
  return error == EAGAIN || error == EACCES ? ByteLock::Busy : ByteLock::Unavailable;
}

void UnlockByte(std::FILE* stream, std::int64_t offset) {
  struct flock lock = ByteAt(offset);
  lock.l_type = F_UNLCK;
  static_cast<void>(SetLock(::fileno(stream), lock));
}

namespace {

bool WriteAll(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(fd, data, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

// Through the tool's own buffer, from the start of the file to its end.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): from and to, as copy_file_range has them.
bool CopyByReading(int from, int to) {
  std::vector<char> buffer(std::size_t{1} << 20);
  for (off_t at = 0;;) {
    const ssize_t count = ::pread(from, buffer.data(), buffer.size(), at);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return count == 0;
    if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(count))) return false;
    at += count;
  }
}

enum class KernelCopy { Done, Failed, Unavailable };

// Linux: a reflink shares the blocks (Btrfs, XFS) and copy_file_range lets
// the kernel, or a network file system's server, copy without the bytes
// passing through the tool. Unavailable where neither copied anything.
KernelCopy CopyInKernel(int from, int to) {
#ifdef __linux__
  if (::ioctl(to, FICLONE, from) == 0) return KernelCopy::Done;
  loff_t in = 0, out = 0;
  for (;;) {
    const ssize_t count = ::copy_file_range(from, &in, to, &out, std::size_t{1} << 30, 0);
    if (count == 0) return KernelCopy::Done;
    if (count > 0 || errno == EINTR) continue;
    const bool unsupported =
        errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP;
    return in == 0 && unsupported ? KernelCopy::Unavailable : KernelCopy::Failed;
  }
#else
  static_cast<void>(from);
  static_cast<void>(to);
  return KernelCopy::Unavailable;
#endif
}

bool CopyAll(int from, int to) {
  const KernelCopy copied = CopyInKernel(from, to);
  return copied == KernelCopy::Done ||
         (copied == KernelCopy::Unavailable && CopyByReading(from, to));
}

// A new name is durable only once its folder is synced. A folder that
// cannot be opened to be synced is no failure: the name is there.
bool SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = OpenRetryingOnSignal(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return true;
  const bool synced = SyncDescriptor(fd);
  ::close(fd);
  return synced;
}

// Removes the name only while it still names the file made: another
// program may have put one of its own there meanwhile.
void RemoveMade(const std::string& path, const FileIdentity& made) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && IdentityOf(info) == made) ::unlink(path.c_str());
}

}  // namespace

NewName CopyToNewFile(std::FILE* stream, const std::string& copyPath) {
  const int from = ::fileno(stream);
  struct stat info;
  if (copyPath.find('\0') != std::string::npos || ::fstat(from, &info) != 0) return NewName::Failed;
  // O_EXCL: a link in the way is neither followed nor replaced.
  const int to = OpenRetryingOnSignal(copyPath.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
  if (to < 0) return errno == EEXIST ? NewName::Exists : NewName::Failed;
  FileIdentity made;
  const bool known = IdentifyDescriptor(to, made);
  // The mode is set last, so that a read-only original gives a copy that
  // could still be written, and the umask takes nothing from it.
  bool copied =
      known && CopyAll(from, to) && ::fchmod(to, info.st_mode & 07777) == 0 && SyncDescriptor(to);
  copied = ::close(to) == 0 && copied && SyncFolderOf(copyPath);
  if (copied) return NewName::Made;
  if (known) RemoveMade(copyPath, made);
  return NewName::Failed;
}

namespace {

// Where the system has no rename that refuses an existing name: the new
// name as a hard link, which refuses one, and then the old one taken away.
NewName RenameByLink(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) != 0) {
    return errno == EEXIST ? NewName::Exists : NewName::Failed;
  }
  if (::unlink(from.c_str()) == 0) return NewName::Made;
  ::unlink(to.c_str());  // the link made here: the file keeps its old name alone
  return NewName::Failed;
}

// The system's rename that refuses an existing name; false where it has
// none, or the file system cannot do it, which leaves errno to say.
bool RenameExclusively(const std::string& from, const std::string& to) {
#if defined(RENAME_NOREPLACE)
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL || errno == ENOSYS) errno = ENOTSUP;
#elif defined(RENAME_EXCL)
  if (::renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0) return true;
#else
  errno = ENOTSUP;
#endif
  return false;
}

}  // namespace

NewName RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (from.find('\0') != std::string::npos || to.find('\0') != std::string::npos) {
    return NewName::Failed;
  }
  NewName renamed = NewName::Made;
  if (!RenameExclusively(from, to)) {
    if (errno == EEXIST) return NewName::Exists;
    renamed = errno == ENOTSUP ? RenameByLink(from, to) : NewName::Failed;
  }
  if (renamed == NewName::Made) static_cast<void>(SyncFolderOf(to));
  return renamed;
}
