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

}  // namespace

std::FILE* OpenForReading(const std::string& path) {
  if (path.find('\0') != std::string::npos) return nullptr;
  return OpenRegularFile(path, FileAccess::Read);
}

std::optional<FileKind> ReadFileKind(std::FILE* readStream) {
  int byte = EOF;
  const bool read = ReadTypeByte(readStream, byte);
  static_cast<void>(std::fclose(readStream));  // nothing was written through it
  if (!read) return std::nullopt;
  return Classify(byte);
}

std::optional<FileIdentity> IdentityOf(std::FILE* stream) {
  FileIdentity identity;
  if (!IdentifyFile(stream, identity)) return std::nullopt;
  return identity;
}

std::FILE* OpenForUpdate(const std::string& path, const std::optional<FileIdentity>& wasRead) {
  if (!wasRead || path.find('\0') != std::string::npos) return nullptr;
  std::FILE* stream = OpenRegularFile(path, FileAccess::Update);
  if (stream == nullptr) return nullptr;
  const std::optional<FileIdentity> opened = IdentityOf(stream);
  if (!opened || *opened != *wasRead || !SeekTo(stream, kTypeByteOffset)) {
    static_cast<void>(std::fclose(stream));
    return nullptr;
  }
  return stream;
}

bool WriteFileKind(std::FILE* updateStream, FileKind kind) {
  if (kind == FileKind::Unknown) return true;
  // Another program may have replaced or rewritten the file since it was
  // classified; flipping a byte nobody looked at could damage it.
  const int expected = kind == FileKind::Master ? kMasterByte : kPluginByte;
  int byte = EOF;
  if (!ReadTypeByte(updateStream, byte) || byte != expected) return false;
  const int opposite = kind == FileKind::Master ? kPluginByte : kMasterByte;
  return WriteByteAt(updateStream, kTypeByteOffset, static_cast<unsigned char>(opposite)) &&
         SyncToDisk(updateStream);
}

int CloseUpdated(std::FILE* updateStream) { return std::fclose(updateStream) == 0 ? 0 : -1; }
