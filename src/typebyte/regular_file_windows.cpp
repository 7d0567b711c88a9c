// Paths arrive as the bytes that were typed or piped in. Windows opens files
// by UTF-16 names, so the bytes are decoded the way they were encoded: in
// the console's input code page when typed at a console, otherwise as UTF-8
// where they are valid UTF-8 and in the ANSI code page where not.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <io.h>
#include <share.h>

#include <string>

#include "regular_file.hpp"

namespace {

bool IsTypedAtConsole() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool Decode(const std::string& text, UINT codePage, DWORD flags, std::wstring& wide) {
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  wide.assign(static_cast<std::size_t>(needed), L'\0');
  return MultiByteToWideChar(codePage, flags, text.data(), length, &wide[0], needed) == needed;
}

bool WidePath(const std::string& path, std::wstring& wide) {
  if (IsTypedAtConsole()) return Decode(path, GetConsoleCP(), 0, wide);
  return Decode(path, CP_UTF8, MB_ERR_INVALID_CHARS, wide) || Decode(path, CP_ACP, 0, wide);
}

// A file name cannot hold a double quote, and the console puts a dropped
// file's path in quotes when it holds a blank.
std::string WithoutSurroundingQuotes(const std::string& path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    return path.substr(1, path.size() - 2);
  }
  return path;
}

// Devices (CON, NUL, COM1), pipes and the like are not data files.
bool IsDiskFile(std::FILE* stream) {
  // NOLINTNEXTLINE(performance-no-int-to-ptr): the CRT hands the handle over as an integer.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return GetFileType(handle) == FILE_TYPE_DISK;
}

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, FileAccess access) {
  std::wstring wide;
  if (!WidePath(WithoutSurroundingQuotes(path), wide)) return nullptr;
  // Other programs may go on reading and writing the file meanwhile.
  std::FILE* stream =
      _wfsopen(wide.c_str(), access == FileAccess::Read ? L"rb" : L"r+b", _SH_DENYNO);
  if (stream != nullptr && !IsDiskFile(stream)) {
    static_cast<void>(std::fclose(stream));
    return nullptr;
  }
  return stream;
}

bool SeekTo(std::FILE* stream, std::int64_t offset) {
  return _fseeki64(stream, offset, SEEK_SET) == 0;
}

bool WriteByteAt(std::FILE* stream, std::int64_t offset, unsigned char byte) {
  const int fd = _fileno(stream);
  return _lseeki64(fd, offset, SEEK_SET) == offset && _write(fd, &byte, 1) == 1;
}

bool SyncToDisk(std::FILE* stream) {
  if (_commit(_fileno(stream)) == 0) return true;
  return GetLastError() == ERROR_INVALID_FUNCTION;  // cannot be flushed
}
