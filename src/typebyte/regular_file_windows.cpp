// Paths arrive as WTF-8, whether they came from the command line, the
// console, a pipe or a search of a folder; Windows opens files by UTF-16
// names.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <string>

#include "regular_file.hpp"
#include "base/utf16_windows.hpp"

namespace {

// A file name cannot hold a double quote, and the console puts a dropped
// file's path in quotes when it holds a blank.
std::string WithoutSurroundingQuotes(const std::string& path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    return path.substr(1, path.size() - 2);
  }
  return path;
}

HANDLE HandleOf(std::FILE* stream) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the CRT hands the handle over as an integer.
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

bool IdentifyHandle(HANDLE handle, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return false;
  identity = IdentityFromIndex(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
  return true;
}

OVERLAPPED AtOffset(std::int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

}  // namespace

// Either open shares reading and writing with other programs, which may go
// on using the file meanwhile, but not deletion: while the tool holds the
// file, it can be neither deleted nor renamed, so no other file can take its
// name and be opened in its place. Writes stay shared so that a program that
// keeps the file open for writing does not make it unconvertible; a change
// of byte 8 by such a program is seen when the byte is read again.
// OPEN_EXISTING neither creates nor truncates, and without
// FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened at all.
std::FILE* OpenRegularFile(const std::string& path, FileAccess access) {
  const std::wstring wide = WideFromWtf8(WithoutSurroundingQuotes(path));
  if (wide.empty()) return nullptr;
  const bool read = access == FileAccess::Read;
  const HANDLE handle = CreateFileW(
      wide.c_str(), read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileType(handle) != FILE_TYPE_DISK) {  // CON, NUL, COM1, a pipe: no data file
    CloseHandle(handle);
    return nullptr;
  }
  const int fd =
      _open_osfhandle(reinterpret_cast<intptr_t>(handle), (read ? _O_RDONLY : _O_RDWR) | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, read ? "rb" : "r+b");
  if (stream == nullptr) static_cast<void>(_close(fd));  // which closes the handle too
  return stream;
}

bool IdentifyFile(std::FILE* stream, FileIdentity& identity) {
  return IdentifyHandle(HandleOf(stream), identity);
}

// Attributes only, sharing everything: no other program's use of the file
// is barred meanwhile.
bool IdentifyPath(const std::string& path, FileIdentity& identity) {
  const std::wstring wide = WideFromWtf8(WithoutSurroundingQuotes(path));
  if (wide.empty()) return false;
  const HANDLE handle = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = IdentifyHandle(handle, identity);
  CloseHandle(handle);
  return known;
}

bool FileLength(std::FILE* stream, std::int64_t& length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(HandleOf(stream), &size)) return false;
  length = size.QuadPart;
  return true;
}

bool SeekTo(std::FILE* stream, std::int64_t offset) {
  return _fseeki64(stream, offset, SEEK_SET) == 0;
}

bool ReadByteAt(std::FILE* stream, std::int64_t offset, int& byte) {
  const int fd = _fileno(stream);
  unsigned char value;
  if (_lseeki64(fd, offset, SEEK_SET) != offset) return false;
  const int count = _read(fd, &value, 1);
  if (count < 0) return false;
  byte = count == 1 ? value : EOF;
  return true;
}

bool WriteByteAt(std::FILE* stream, std::int64_t offset, unsigned char byte) {
  const int fd = _fileno(stream);
  return _lseeki64(fd, offset, SEEK_SET) == offset && _write(fd, &byte, 1) == 1;
}

bool SyncToDisk(std::FILE* stream) {
  if (_commit(_fileno(stream)) == 0) return true;
  return GetLastError() == ERROR_INVALID_FUNCTION;  // cannot be flushed
}

ByteLock LockByte(std::FILE* stream, std::int64_t offset) {
  OVERLAPPED at = AtOffset(offset);
  if (LockFileEx(HandleOf(stream), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                 &at)) {
    return ByteLock::Taken;
  }
  return GetLastError() == ERROR_LOCK_VIOLATION ? ByteLock::Busy : ByteLock::Unavailable;
}

// Windows lets go of a closed handle's locks only in its own time.
void UnlockByte(std::FILE* stream, std::int64_t offset) {
  OVERLAPPED at = AtOffset(offset);
  static_cast<void>(UnlockFileEx(HandleOf(stream), 0, 1, 0, &at));
}
