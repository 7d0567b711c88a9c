#include "conversion.hpp"

#include <optional>

#include "messages.hpp"

namespace {

// The word for a kind, as --check reports it.
const char* KindWord(FileKind kind) {
  switch (kind) {
    case FileKind::Master: return kMaster;
    case FileKind::Plugin: return kPlugin;
    case FileKind::Unknown: break;
  }
  return kUnknownKind;
}

Outcome SwitchKind(const std::string& path, FileKind kind) {
  std::FILE* update = OpenForUpdate(path);
  if (update == nullptr) {
    // Nothing was to be written to an unknown file, so nothing failed.
    if (kind == FileKind::Unknown) return {kUnknownKind, 0};
    return {kCannotOpenForWriting, kFailure};
  }
  const bool written = WriteFileKind(update, kind);
  // A close that fails after the byte was synced does not undo it: the
  // outcome stands, and the status tells of the failure.
  const int closeResult = CloseUpdated(update);
  if (!written) return {kCannotWrite, kFailure};
  if (kind == FileKind::Unknown) return {kUnknownKind, closeResult};
  return {kind == FileKind::Master ? kMasterToPlugin : kPluginToMaster, closeResult};
}

// The outcome of `then` for the kind of the file open as readStream, or the
// failure that kept it from being read at all.
template <typename Then>
Outcome WithKindOf(std::FILE* readStream, Then then) {
  if (readStream == nullptr) return {kNoSuchFile, kFailure};
  const std::optional<FileKind> kind = ReadFileKind(readStream);
  if (!kind) return {kCannotRead, kFailure};
  return then(*kind);
}

}  // namespace

Outcome ConvertOpenedFile(const std::string& path, std::FILE* readStream) {
  return WithKindOf(readStream, [&path](FileKind kind) { return SwitchKind(path, kind); });
}

Outcome ConvertPath(const std::string& path) {
  return ConvertOpenedFile(path, OpenForReading(path));
}

Outcome CheckPath(const std::string& path) {
  return WithKindOf(OpenForReading(path), [](FileKind kind) { return Outcome{KindWord(kind), 0}; });
}

Outcome SetKindOfPath(const std::string& path, FileKind wanted) {
  return WithKindOf(OpenForReading(path), [&](FileKind kind) {
    if (kind == wanted || kind == FileKind::Unknown) return Outcome{KindWord(kind), 0};
    return SwitchKind(path, kind);
  });
}
