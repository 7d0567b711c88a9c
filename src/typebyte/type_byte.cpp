#include "type_byte.hpp"

#include "regular_file.hpp"

namespace {

constexpr std::int64_t kTypeByteOffset = 8;
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

bool LengthIs(std::FILE* stream, std::int64_t length) {
  std::int64_t now = 0;
  return FileLength(stream, now) && now == length;
}

}  // namespace

std::FILE* OpenForReading(const std::string& path) {
  if (path.find('\0') != std::string::npos) return nullptr;
  return OpenRegularFile(path, FileAccess::Read);
}

std::optional<KindRead> ReadFileKind(std::FILE* readStream) {
  KindRead read{FileKind::Unknown, 0};
  int byte = EOF;
  if (!FileLength(readStream, read.length) || !ReadTypeByte(readStream, byte)) {
    return std::nullopt;
  }
  read.kind = Classify(byte);
  return read;
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

bool WriteFileKind(std::FILE* updateStream, const KindRead& read) {
  if (read.kind == FileKind::Unknown) return true;
  // Another program may have rewritten or cut the file since it was read;
  // flipping a byte nobody looked at could damage it.
  const int expected = read.kind == FileKind::Master ? kMasterByte : kPluginByte;
  int byte = EOF;
  if (!ReadTypeByte(updateStream, byte) || byte != expected ||
      !LengthIs(updateStream, read.length)) {
    return false;
  }
  const int opposite = read.kind == FileKind::Master ? kPluginByte : kMasterByte;
  // Nothing keeps another program from cutting the file just before the
  // write, which would then make it longer again: that is seen after it.
  return WriteByteAt(updateStream, kTypeByteOffset, static_cast<unsigned char>(opposite)) &&
         SyncToDisk(updateStream) && LengthIs(updateStream, read.length);
}

int CloseUpdated(std::FILE* updateStream) { return std::fclose(updateStream) == 0 ? 0 : -1; }
