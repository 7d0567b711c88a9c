// Paths arrive as WTF-8, whether they came from the command line, the
// console, a pipe or a search of a folder; Windows opens files by UTF-16
// names.
#include <windows.h>

#include <io.h>
#include <share.h>

#include <string>

#include "regular_file.hpp"
#include "utf16_windows.hpp"

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

// Devices (CON, NUL, COM1), pipes and the like are not data files.
bool IsDiskFile(std::FILE* stream) { return GetFileType(HandleOf(stream)) == FILE_TYPE_DISK; }

}  // namespace

std::FILE* OpenRegularFile(const std::string& path, FileAccess access) {
  const std::wstring wide = WideFromWtf8(WithoutSurroundingQuotes(path));
  if (wide.empty()) return nullptr;
  // Other programs may go on reading and writing the file meanwhile.
  std::FILE* stream =
      _wfsopen(wide.c_str(), access == FileAccess::Read ? L"rb" : L"r+b", _SH_DENYNO);
  if (stream != nullptr && !IsDiskFile(stream)) {
    static_cast<void>(std::fclose(stream));
    return nullptr;
  }
  return stream;
}

bool IdentifyFile(std::FILE* stream, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(HandleOf(stream), &info)) return false;
  identity.volume = info.dwVolumeSerialNumber;
  identity.file = std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow;
  return true;
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

bool WriteByteAt(std::FILE* stream, std::int64_t offset, unsigned char byte) {
  const int fd = _fileno(stream);
  return _lseeki64(fd, offset, SEEK_SET) == offset && _write(fd, &byte, 1) == 1;
}

bool SyncToDisk(std::FILE* stream) {
  if (_commit(_fileno(stream)) == 0) return true;
  return GetLastError() == ERROR_INVALID_FUNCTION;  // cannot be flushed
}
