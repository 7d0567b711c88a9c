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

// The type byte at offset 8, or EOF when there is none or it cannot be read.
int ReadTypeByte(std::FILE* stream) {
  if (!SeekTo(stream, kTypeByteOffset)) return EOF;
  return std::fgetc(stream);
}

}  // namespace

std::FILE* OpenForReading(const std::string& path) {
  if (path.find('\0') != std::string::npos) return nullptr;
  return OpenRegularFile(path, FileAccess::Read);
}

FileKind ReadFileKind(std::FILE* readStream) {
  const int byte = ReadTypeByte(readStream);
  static_cast<void>(std::fclose(readStream));  // nothing was written through it
  return Classify(byte);
}

std::FILE* OpenForUpdate(const std::string& path) {
  if (path.find('\0') != std::string::npos) return nullptr;
  std::FILE* stream = OpenRegularFile(path, FileAccess::Update);
  if (stream != nullptr && !SeekTo(stream, kTypeByteOffset)) {
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
  if (ReadTypeByte(updateStream) != expected) return false;
  const int opposite = kind == FileKind::Master ? kPluginByte : kMasterByte;
  return WriteByteAt(updateStream, kTypeByteOffset, static_cast<unsigned char>(opposite)) &&
         SyncToDisk(updateStream);
}

int CloseUpdated(std::FILE* updateStream) { return std::fclose(updateStream) == 0 ? 0 : -1; }
