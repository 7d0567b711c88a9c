#include "conversion.hpp"

#include <optional>

#include "messages.hpp"

namespace {

// Which file was read, where the system could say.
using ReadIdentity = std::optional<FileIdentity>;

// The word for a kind, as --check reports it.
const char* KindWord(FileKind kind) {
  switch (kind) {
    case FileKind::Master: return kMaster;
    case FileKind::Plugin: return kPlugin;
    case FileKind::Unknown: break;
  }
  return kUnknownKind;
}

Outcome SwitchKind(const std::string& path, const ReadIdentity& wasRead, FileKind kind) {
  std::FILE* update = OpenForUpdate(path, wasRead);
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

// The outcome of `then` for the kind of the file open as readStream and
// which file that is, or the failure that kept it from being read at all.
template <typename Then>
Outcome WithKindOf(std::FILE* readStream, Then then) {
  if (readStream == nullptr) return {kNoSuchFile, kFailure};
  const ReadIdentity identity = IdentityOf(readStream);
  const std::optional<FileKind> kind = ReadFileKind(readStream);
  if (!kind) return {kCannotRead, kFailure};
  return then(*kind, identity);
}

}  // namespace

Outcome ConvertOpenedFile(const std::string& path, std::FILE* readStream) {
  return WithKindOf(readStream, [&path](FileKind kind, const ReadIdentity& read) {
    return SwitchKind(path, read, kind);
  });
}

Outcome ConvertPath(const std::string& path) {
  return ConvertOpenedFile(path, OpenForReading(path));
}

Outcome CheckPath(const std::string& path) {
  return WithKindOf(OpenForReading(path), [](FileKind kind, const ReadIdentity&) {
    return Outcome{KindWord(kind), 0};
  });
}

Outcome SetKindOfPath(const std::string& path, FileKind wanted) {
  return WithKindOf(OpenForReading(path), [&](FileKind kind, const ReadIdentity& read) {
    if (kind == wanted) return Outcome{KindWord(kind), 0};
    if (kind == FileKind::Unknown) return Outcome{kUnknownKind, kNotOfKindAsked};
    return SwitchKind(path, read, kind);
  });
}
