#include <windows.h>

#include <string>
#include <vector>

#include "base/utf16_windows.hpp"
#include "regular_file.hpp"

namespace {

// The UTF-16 name Windows opens for a path, which arrives as WTF-8 from the
// command line, the console, a pipe or a search of a folder; empty where it
// is no WTF-8. A file name cannot hold a double quote, and the console puts
// a dropped file's path in quotes when it holds a blank.
std::wstring WideName(const std::string& path) {
  const bool quoted = path.size() >= 2 && path.front() == '"' && path.back() == '"';
  return WideFromWtf8(quoted ? path.substr(1, path.size() - 2) : path);
}

HANDLE HandleOf(const FileHandle& file) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): FileHandle keeps the handle as an integer.
  return reinterpret_cast<HANDLE>(file.native());
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

// Whether the name is taken, by a file, a folder or a link, after a
// create or a move failed with error.
bool NameTaken(const std::wstring& wide, DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): from and to, as CopyFileW has them.
bool CopyHandle(HANDLE from, HANDLE to) {
  std::vector<char> buffer(std::size_t{1} << 20);
  for (std::int64_t at = 0;;) {
    OVERLAPPED from_at = AtOffset(at);
    DWORD count = 0;
    if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &count, &from_at)) {
      return GetLastError() == ERROR_HANDLE_EOF;
    }
    if (count == 0) return true;
    DWORD written = 0;
    if (!WriteFile(to, buffer.data(), count, &written, nullptr) || written != count) return false;
    at += count;
  }
}

// Deleted through the handle, so that only the file made here can go.
void DeleteMade(HANDLE made) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  static_cast<void>(
      SetFileInformationByHandle(made, FileDispositionInfo, &disposition, sizeof disposition));
}

}  // namespace

// Either open shares reading and writing, but not deletion: while the tool
// holds the file, it can be neither deleted nor renamed, so no other file
// can take its name and be opened in its place. Writes stay shared so that
// a program that keeps the file open for writing does not make it
// unconvertible. Without FILE_FLAG_BACKUP_SEMANTICS no folder opens.
FileHandle OpenRegularFile(const std::string& path, FileAccess access) {
  const std::wstring wide = WideName(path);
  if (wide.empty()) return {};
  const DWORD rights = access == FileAccess::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  FileHandle file(reinterpret_cast<std::intptr_t>(
      CreateFileW(wide.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                  FILE_ATTRIBUTE_NORMAL, nullptr)));
  // CON, NUL, COM1, a pipe: no data file.
  if (file.IsOpen() && GetFileType(HandleOf(file)) != FILE_TYPE_DISK) file.Close();
  return file;
}

bool FileHandle::CloseNative(std::intptr_t native) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): FileHandle keeps the handle as an integer.
  return CloseHandle(reinterpret_cast<HANDLE>(native)) != 0;
}

bool IdentifyFile(const FileHandle& file, FileIdentity& identity) {
  return IdentifyHandle(HandleOf(file), identity);
}

// Attributes only, sharing everything: no other program's use of the file
// is barred meanwhile.
bool IdentifyPath(const std::string& path, FileIdentity& identity) {
  const std::wstring wide = WideName(path);
  if (wide.empty()) return false;
  const HANDLE handle = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = IdentifyHandle(handle, identity);
  CloseHandle(handle);
  return known;
}

bool FileLength(const FileHandle& file, std::int64_t& length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(HandleOf(file), &size)) return false;
  length = size.QuadPart;
  return true;
}

// With an offset given, a read that starts past the end fails with
// ERROR_HANDLE_EOF, where one without reads nothing.
bool ReadByteAt(const FileHandle& file, std::int64_t offset, int& byte) {
  OVERLAPPED at = AtOffset(offset);
  unsigned char value;
  DWORD count = 0;
  if (!ReadFile(HandleOf(file), &value, 1, &count, &at) && GetLastError() != ERROR_HANDLE_EOF) {
    return false;
  }
  byte = count == 1 ? value : kPastEnd;
  return true;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the header's own order, as on POSIX.
bool WriteByteAt(const FileHandle& file, std::int64_t offset, unsigned char byte) {
  OVERLAPPED at = AtOffset(offset);
  DWORD count = 0;
  return WriteFile(HandleOf(file), &byte, 1, &count, &at) && count == 1;
}

bool SyncToDisk(const FileHandle& file) {
  return FlushFileBuffers(HandleOf(file)) ||
         GetLastError() == ERROR_INVALID_FUNCTION;  // cannot be flushed
}

// A file deleted while open keeps its last link until the last handle
// closes, marked to be deleted then.
bool HasLink(const FileHandle& file) {
  FILE_STANDARD_INFO info;
  return GetFileInformationByHandleEx(HandleOf(file), FileStandardInfo, &info, sizeof info) &&
         info.NumberOfLinks > 0 && !info.DeletePending;
}

ByteLock LockByte(const FileHandle& file, std::int64_t offset) {
  OVERLAPPED at = AtOffset(offset);
  constexpr DWORD kFlags = LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY;
  if (LockFileEx(HandleOf(file), kFlags, 0, 1, 0, &at)) return ByteLock::Taken;
  return GetLastError() == ERROR_LOCK_VIOLATION ? ByteLock::Busy : ByteLock::Unavailable;
}

// Windows lets go of a closed handle's locks only in its own time.
void UnlockByte(const FileHandle& file, std::int64_t offset) {
  OVERLAPPED at = AtOffset(offset);
  static_cast<void>(UnlockFileEx(HandleOf(file), 0, 1, 0, &at));
}

// CREATE_NEW fails on any name that exists, and follows no link. The copy
// takes the attributes that Explorer shows of the file.
NewName CopyToNewFile(const FileHandle& file, const std::string& copyPath) {
  const std::wstring wide = WideName(copyPath);
  const HANDLE from = HandleOf(file);
  BY_HANDLE_FILE_INFORMATION info;
  if (wide.empty() || !GetFileInformationByHandle(from, &info)) return NewName::Failed;
  const DWORD kept = info.dwFileAttributes &
                     (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  const HANDLE to = CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, nullptr);
  if (to == INVALID_HANDLE_VALUE) {
    return NameTaken(wide, GetLastError()) ? NewName::Exists : NewName::Failed;
  }
  const bool copied = CopyHandle(from, to) && FlushFileBuffers(to);
  if (!copied) DeleteMade(to);
  return CloseHandle(to) && copied ? NewName::Made : NewName::Failed;
}

NewName RenameWithoutReplacing(const std::string& from, const std::string& to) {
  const std::wstring wideFrom = WideName(from);
  const std::wstring wideTo = WideName(to);
  if (wideFrom.empty() || wideTo.empty()) return NewName::Failed;
  if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) return NewName::Made;
  return NameTaken(wideTo, GetLastError()) ? NewName::Exists : NewName::Failed;
}
