#include "type_byte.hpp"

#include <chrono>
#include <thread>

#include "regular_file.hpp"

namespace {

constexpr std::int64_t kTypeByteOffset = 8;
// Far past the end of any file, so that the lock bars no read or write of data.
constexpr std::int64_t kTurnByteOffset = std::int64_t{1} << 62;
// A turn lasts a write and a sync: milliseconds, unless the disk stalls.
constexpr std::chrono::seconds kLongestWaitForTurn{5};
constexpr std::chrono::milliseconds kTurnPollInterval{5};
constexpr int kMasterByte = 0x01;
constexpr int kPluginByte = 0x00;

// A NUL ends the path early for the system, where it names another file.
FileHandle OpenPath(const std::string& path, FileAccess access) {
  if (path.find('\0') != std::string::npos) return {};
  return OpenRegularFile(path, access);
}

int ByteOf(FileKind kind) { return kind == FileKind::Master ? kMasterByte : kPluginByte; }

// The checks after the sync that WriteFileKind names, but the path's; a
// length that cannot be had now does not undo the byte read back.
bool HoldsByteWritten(const FileHandle& file, FileKind written, std::int64_t lengthBefore) {
  if (ReadFileKind(file) != written) return false;
  std::int64_t length = 0;
  return !FileLength(file, length) || length != kTypeByteOffset + 1 || length == lengthBefore;
}

// A path that names no file tells nothing of the file written: renamed or
// moved meanwhile, it is the user's file still; only deleted, it is lost.
bool PathStillLeadsTo(const std::string& path, const FileHandle& file,
                      const FileIdentity& written) {
  FileIdentity named;
  if (IdentifyPath(path, named)) return named == written;
  return HasLink(file);
}

}  // namespace

FileHandle OpenForReading(const std::string& path) { return OpenPath(path, FileAccess::Read); }

std::optional<FileKind> ReadFileKind(const FileHandle& read) {
  int byte = kPastEnd;
  if (!ReadByteAt(read, kTypeByteOffset, byte)) return std::nullopt;
  if (byte == kMasterByte) return FileKind::Master;
  if (byte == kPluginByte) return FileKind::Plugin;
  return FileKind::Unknown;  // any other value, or none for a short file
}

FileHandle OpenForUpdate(const std::string& path, const FileHandle& read) {
  FileIdentity wasRead, opened;
  if (!IdentifyFile(read, wasRead)) return {};
  FileHandle update = OpenPath(path, FileAccess::Update);
  if (update.IsOpen() && (!IdentifyFile(update, opened) || opened != wasRead)) update.Close();
  return update;
}

bool TakeTurn(const FileHandle& update, FileKind& kind) {
  const auto giveUp = std::chrono::steady_clock::now() + kLongestWaitForTurn;
  while (LockByte(update, kTurnByteOffset) == ByteLock::Busy) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(kTurnPollInterval);
  }
  // A byte that cannot be read leaves kind as it was, for the write to
  // find the same failure.
  if (const std::optional<FileKind> now = ReadFileKind(update)) kind = *now;
  return true;
}

bool WriteFileKind(const FileHandle& update, FileKind kind, const std::string& path) {
  if (kind == FileKind::Unknown) return false;  // nothing may be written to it
  // Another program may have rewritten or cut the file since it was read;
  // flipping a byte nobody looked at could damage it. One that only added
  // to the file did no harm.
  FileIdentity written;
  std::int64_t lengthBefore = 0;
  if (!IdentifyFile(update, written) || !FileLength(update, lengthBefore) ||
      ReadFileKind(update) != kind) {
    return false;
  }
  const FileKind switched = kind == FileKind::Master ? FileKind::Plugin : FileKind::Master;
  return WriteByteAt(update, kTypeByteOffset, static_cast<unsigned char>(ByteOf(switched))) &&
         SyncToDisk(update) && HoldsByteWritten(update, switched, lengthBefore) &&
         PathStillLeadsTo(path, update, written);
}

bool CloseUpdated(FileHandle& update) {
  UnlockByte(update, kTurnByteOffset);
  return update.Close();
}
