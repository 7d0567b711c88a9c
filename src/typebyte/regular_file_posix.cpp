#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/retry_posix.hpp"
#include "regular_file.hpp"

namespace {

int Descriptor(const FileHandle& file) { return static_cast<int>(file.native()); }

int OpenMode(FileAccess access) {
  return (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_NOCTTY | O_CLOEXEC;
}

FileHandle Open(const std::string& path, int flags, mode_t mode = 0) {
  return FileHandle(
      RetryOnSignal([&path, flags, mode] { return ::open(path.c_str(), flags, mode); }));
}

bool IsRegularFile(const FileHandle& file) {
  struct stat info;
  return ::fstat(Descriptor(file), &info) == 0 && S_ISREG(info.st_mode);
}

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

bool MakeBlocking(const FileHandle& file) {
  const int flags = ::fcntl(Descriptor(file), F_GETFL);
  return flags >= 0 && ::fcntl(Descriptor(file), F_SETFL, flags & ~O_NONBLOCK) == 0;
}

#ifdef O_PATH
// Linux: a descriptor of what the path names, got without opening it, so
// that a FIFO lets no writer through, no device driver is called and no
// lease is broken; not open when it is no regular file.
FileHandle LookAtRegularFile(const std::string& path) {
  FileHandle found = Open(path, O_PATH | O_CLOEXEC);
  if (found.IsOpen() && !IsRegularFile(found)) found.Close();
  return found;
}

// Opens the looked-at file through its /proc entry, which names that very
// file whatever the path names by now. So a plain blocking open is safe: it
// cannot meet a FIFO, and it waits for a lease holder (Samba, nfsd) to let
// go, as any program's open does. ENOENT where /proc is missing. A /proc
// that is not the kernel's could name any file, a FIFO too: the entry must
// name the file looked at before the open, and the file opened after it.
FileHandle OpenLookedAt(const FileHandle& found, FileAccess access) {
  const std::string self = "/proc/self/fd/" + std::to_string(Descriptor(found));
  FileIdentity lookedAt, named, opened;
  if (!IdentifyFile(found, lookedAt)) return {};
  if (!IdentifyPath(self, named)) return {};  // ENOENT without /proc
  if (named == lookedAt) {
    FileHandle file = Open(self, OpenMode(access));
    if (!file.IsOpen() || (IdentifyFile(file, opened) && opened == lookedAt)) return file;
  }
  errno = EACCES;
  return {};
}
#endif

// O_NONBLOCK keeps the open from hanging on a FIFO; the flag is dropped
// again once the file is known to be regular.
FileHandle OpenWithoutBlocking(const std::string& path, FileAccess access) {
  FileHandle file = Open(path, OpenMode(access) | O_NONBLOCK);
  if (file.IsOpen() && (!IsRegularFile(file) || !MakeBlocking(file))) file.Close();
  return file;
}

// Linux: a lock of the open file itself, as Windows has, which a close of
// another descriptor of the file does not let go; kernels before 3.15 lack
// it. Elsewhere a lock of the process, which the tool takes only once the
// read is closed. Gives 0 or the error.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): fcntl's descriptor, type and start.
int SetByteLock(int fd, short type, std::int64_t offset) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = 1;
#ifdef F_OFD_SETLK
  if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
  if (errno != EINVAL) return errno;
#endif
  return ::fcntl(fd, F_SETLK, &lock) == 0 ? 0 : errno;
}

bool WriteAll(int fd, const char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t written = RetryOnSignal([fd, data, count] { return ::write(fd, data, count); });
    if (written <= 0) return false;
    data += written;
    count -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CopyAll(const FileHandle& from, const FileHandle& to) {
  std::vector<char> buffer(std::size_t{1} << 20);
  for (off_t at = 0;;) {
    const ssize_t count = RetryOnSignal([&from, &buffer, at] {
      return ::pread(Descriptor(from), buffer.data(), buffer.size(), at);
    });
    if (count <= 0) return count == 0;
    if (!WriteAll(Descriptor(to), buffer.data(), static_cast<std::size_t>(count))) return false;
    at += count;
  }
}

// A new name is durable only once its folder is synced. A folder that
// cannot be opened to be synced is no failure: the name is there.
bool SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const FileHandle opened = Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return !opened.IsOpen() || SyncToDisk(opened);
}

// Removes the name only while it still names the file made: another
// program may have put one of its own there meanwhile.
void RemoveMade(const std::string& path, const FileIdentity& made) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && IdentityOf(info) == made) ::unlink(path.c_str());
}

// A hard link refuses an existing name, as the rename would have.
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

FileHandle OpenRegularFile(const std::string& path, FileAccess access) {
#ifdef O_PATH
  FileHandle found = LookAtRegularFile(path);
  if (!found.IsOpen()) return {};
  FileHandle file = OpenLookedAt(found, access);
  const bool noProc = !file.IsOpen() && errno == ENOENT;
  found.Close();
  if (!noProc) return file;
#else
  // Elsewhere a FIFO or device is seen before the open, unless it is put
  // in the file's place in between; the open still refuses it then.
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
#endif
  return OpenWithoutBlocking(path, access);
}

bool FileHandle::CloseNative(std::intptr_t native) {
  return ::close(static_cast<int>(native)) == 0;
}

bool IdentifyFile(const FileHandle& file, FileIdentity& identity) {
  struct stat info;
  if (::fstat(Descriptor(file), &info) != 0) return false;
  identity = IdentityOf(info);
  return true;
}

bool IdentifyPath(const std::string& path, FileIdentity& identity) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  identity = IdentityOf(info);
  return true;
}

bool FileLength(const FileHandle& file, std::int64_t& length) {
  struct stat info;
  if (::fstat(Descriptor(file), &info) != 0) return false;
  length = static_cast<std::int64_t>(info.st_size);
  return true;
}

bool ReadByteAt(const FileHandle& file, std::int64_t offset, int& byte) {
  unsigned char value;
  const ssize_t count = RetryOnSignal([&file, &value, offset] {
    return ::pread(Descriptor(file), &value, 1, static_cast<off_t>(offset));
  });
  if (count < 0) return false;
  byte = count == 1 ? value : kPastEnd;
  return true;
}

bool WriteByteAt(const FileHandle& file, std::int64_t offset, unsigned char byte) {
  return RetryOnSignal([&file, &byte, offset] {
           return ::pwrite(Descriptor(file), &byte, 1, static_cast<off_t>(offset));
         }) == 1;
}

bool SyncToDisk(const FileHandle& file) {
  const int fd = Descriptor(file);
#ifdef F_FULLFSYNC
  // On macOS fsync leaves the byte in the drive's cache; this flushes that.
  // Only a file system that cannot do it falls back to fsync: an error from
  // the flush itself, such as EIO, is a failed sync.
  if (RetryOnSignal([fd] { return ::fcntl(fd, F_FULLFSYNC); }) == 0) return true;
  if (errno != ENOTSUP && errno != ENOTTY && errno != EINVAL) return false;
#endif
  return RetryOnSignal([fd] { return ::fsync(fd); }) == 0 || errno == EINVAL || errno == ENOTSUP ||
         errno == EOPNOTSUPP;
}

bool HasLink(const FileHandle& file) {
  struct stat info;
  return ::fstat(Descriptor(file), &info) == 0 && info.st_nlink > 0;
}

ByteLock LockByte(const FileHandle& file, std::int64_t offset) {
  const int error = SetByteLock(Descriptor(file), F_WRLCK, offset);
  if (error == 0) return ByteLock::Taken;
  return error == EAGAIN || error == EACCES ? ByteLock::Busy : ByteLock::Unavailable;
}

void UnlockByte(const FileHandle& file, std::int64_t offset) {
  static_cast<void>(SetByteLock(Descriptor(file), F_UNLCK, offset));
}

NewName CopyToNewFile(const FileHandle& file, const std::string& copyPath) {
  struct stat info;
  if (copyPath.find('\0') != std::string::npos || ::fstat(Descriptor(file), &info) != 0) {
    return NewName::Failed;
  }
  // O_EXCL: a link in the way is neither followed nor replaced.
  FileHandle copy = Open(copyPath, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0600);
  if (!copy.IsOpen()) return errno == EEXIST ? NewName::Exists : NewName::Failed;
  FileIdentity made;
  const bool known = IdentifyFile(copy, made);
  // The mode is set last, so that a read-only original gives a copy that
  // could still be written, and the umask takes nothing from it.
  bool copied = known && CopyAll(file, copy) &&
                ::fchmod(Descriptor(copy), info.st_mode & 07777) == 0 && SyncToDisk(copy);
  copied = copy.Close() && copied && SyncFolderOf(copyPath);
  if (copied) return NewName::Made;
  if (known) RemoveMade(copyPath, made);
  return NewName::Failed;
}

NewName RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (from.find('\0') != std::string::npos || to.find('\0') != std::string::npos) {
    return NewName::Failed;
  }
  const NewName renamed = RenameExclusively(from, to) ? NewName::Made
                          : errno == EEXIST           ? NewName::Exists
                          : errno == ENOTSUP          ? RenameByLink(from, to)
                                                      : NewName::Failed;
  if (renamed == NewName::Made) static_cast<void>(SyncFolderOf(to));
  return renamed;
}
