#include "conversion.hpp"

#include <cstdio>

#include "messages.hpp"

namespace {

const char* SwitchedMessage(FileKind kind) {
  return kind == FileKind::Master ? kMasterToPlugin : kPluginToMaster;
}

}  // namespace

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
  return {SwitchedMessage(kind), closeResult};
}

Outcome ConvertPath(const std::string& path) {
  std::FILE* stream = OpenForReading(path);
  if (stream == nullptr) return {kNoSuchFile, kFailure};
  return SwitchKind(path, ReadFileKind(stream));
}

Outcome CheckPath(const std::string& path) {
  std::FILE* stream = OpenForReading(path);
  if (stream == nullptr) return {kNoSuchFile, kFailure};
  switch (ReadFileKind(stream)) {
    case FileKind::Master: return {kMaster, 0};
    case FileKind::Plugin: return {kPlugin, 0};
    case FileKind::Unknown: break;
  }
  return {kUnknownKind, 0};
}
