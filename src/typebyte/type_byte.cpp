#include "type_byte.hpp"

#include <chrono>
#include <thread>

#include "regular_file.hpp"

namespace {

constexpr std::int64_t kTypeByteOffset = 8;
// Far past the end of any file: on Windows a locked byte bars every other
// program's reads and writes of it.
constexpr std::int64_t kTurnByteOffset = std::int64_t{1} << 62;
// A turn lasts a write and a sync: milliseconds, unless the disk stalls.
constexpr std::chrono::seconds kLongestWaitForTurn{5};
constexpr std::chrono::milliseconds kTurnPollInterval{5};
constexpr int kMasterByte = 0x01;
constexpr int kPluginByte = 0x00;

FileKind Classify(int byte) {
  if (byte == kMasterByte) return FileKind::Master;
  if (byte == kPluginByte) return FileKind::Plugin;
  return FileKind::Unknown;  // any other value, or EOF for a short file
}

// Puts the type byte at offset 8 into byte, or EOF when the file is too
// short to have one; false when it cannot be read.
bool ReadTypeByte(std::FILE* stream, int& byte) {
  if (!SeekTo(stream, kTypeByteOffset)) return false;
  byte = std::fgetc(stream);
  return byte != EOF || std::ferror(stream) == 0;
}

int ByteOf(FileKind kind) { return kind == FileKind::Master ? kMasterByte : kPluginByte; }

// After the sync, byte 8 must hold what was written. A file cut short just
// before the write was made longer again by it, up to the byte written: it
// then ends exactly there, where it was longer before. A cut by another
// program to that very length looks the same, and is taken the same. A
// length that cannot be had now does not undo the byte read back.
bool HoldsByteWritten(std::FILE* stream, FileKind written, std::int64_t lengthBefore) {
  int byte = EOF;
  if (!ReadByteAt(stream, kTypeByteOffset, byte) || byte != ByteOf(written)) return false;
  std::int64_t length = 0;
  return !FileLength(stream, length) || length != kTypeByteOffset + 1 || length == lengthBefore;
}

// An editor's save renames a new file over the path: the byte then went
// into the file replaced, and the path names one that was never written.
// A path that names no file, or cannot be looked up, tells nothing of the
// file written: renamed or moved meanwhile, it is the user's file still,
// converted; only deleted, it is lost.
bool PathStillLeadsTo(const std::string& path, std::FILE* stream, const FileIdentity& written) {
  FileIdentity named;
  if (IdentifyPath(path, named)) return named == written;
  return HasLink(stream);
}

}  // namespace

std::FILE* OpenForReading(const std::string& path) {
  if (path.find('\0') != std::string::npos) return nullptr;
  return OpenRegularFile(path, FileAccess::Read);
}

std::optional<FileKind> ReadFileKind(std::FILE* readStream) {
  int byte = EOF;
  if (!ReadTypeByte(readStream, byte)) return std::nullopt;
  return Classify(byte);
}

std::FILE* OpenForUpdate(const std::string& path, std::FILE* readStream) {
  FileIdentity wasRead;
  if (!IdentifyFile(readStream, wasRead) || path.find('\0') != std::string::npos) return nullptr;
  std::FILE* stream = OpenRegularFile(path, FileAccess::Update);
  if (stream == nullptr) return nullptr;
  FileIdentity opened;
  if (!IdentifyFile(stream, opened) || opened != wasRead || !SeekTo(stream, kTypeByteOffset)) {
    static_cast<void>(std::fclose(stream));
    return nullptr;
  }
  return stream;
}

void CloseRead(std::FILE* readStream) { static_cast<void>(std::fclose(readStream)); }

bool TakeTurn(std::FILE* updateStream, FileKind& kind) {
  const auto giveUp = std::chrono::steady_clock::now() + kLongestWaitForTurn;
  while (LockByte(updateStream, kTurnByteOffset) == ByteLock::Busy) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(kTurnPollInterval);
  }
  // A byte that cannot be read leaves kind as it was, for the write to
  // find the same failure.
  int byte = EOF;
  if (ReadByteAt(updateStream, kTypeByteOffset, byte)) kind = Classify(byte);
  return true;
}

bool WriteFileKind(std::FILE* updateStream, FileKind kind, const std::string& path) {
  if (kind == FileKind::Unknown) return false;  // nothing may be written to it
  // Another program may have rewritten or cut the file since it was read;
  // flipping a byte nobody looked at could damage it. One that only added
  // to the file did no harm.
  FileIdentity written;
  std::int64_t lengthBefore = 0;
  int byte = EOF;
  if (!IdentifyFile(updateStream, written) || !FileLength(updateStream, lengthBefore) ||
      !ReadByteAt(updateStream, kTypeByteOffset, byte) || byte != ByteOf(kind)) {
    return false;
  }
  const FileKind switched = kind == FileKind::Master ? FileKind::Plugin : FileKind::Master;
  return WriteByteAt(updateStream, kTypeByteOffset, static_cast<unsigned char>(ByteOf(switched))) &&
         SyncToDisk(updateStream) && HoldsByteWritten(updateStream, switched, lengthBefore) &&
         PathStillLeadsTo(path, updateStream, written);
}

int CloseUpdated(std::FILE* updateStream) {
  UnlockByte(updateStream, kTurnByteOffset);
  return std::fclose(updateStream) == 0 ? 0 : -1;
}
