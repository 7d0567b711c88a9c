#include "conversion.hpp"

#include <optional>

#include "messages.hpp"

namespace {

// The outcome for a file that mode leaves as it is; nothing when mode
// switches it. A file of unknown kind is never switched, nor opened for
// writing.
std::optional<Outcome> LeftAsIs(Mode mode, FileKind kind) {
  if (kind == FileKind::Unknown) {
    // A script that asked for a kind must not take the file for one of it.
    const bool kindAsked = mode == Mode::ToMaster || mode == Mode::ToPlugin;
    return Outcome{kUnknownKind, kindAsked ? kNotOfKindAsked : 0};
  }
  switch (mode) {
    case Mode::Convert: return std::nullopt;
    case Mode::Check: break;
    case Mode::ToMaster:
      if (kind != FileKind::Master) return std::nullopt;
      break;
    case Mode::ToPlugin:
      if (kind != FileKind::Plugin) return std::nullopt;
      break;
  }
  return Outcome{kind == FileKind::Master ? kMaster : kPlugin, 0};
}

// The file read is held open until the update open has been compared with
// it: meanwhile no new file can take its name and its inode number or file
// index. Held any longer, on Windows the file could not be renamed while
// the outcome is read. Once the turn at the file is taken, it is judged
// again: another run may have switched it while this one waited.
Outcome SwitchKind(Mode mode, const std::string& path, FileHandle& read, FileKind kind) {
  FileHandle update = OpenForUpdate(path, read);
  read.Close();
  if (!update.IsOpen()) return {kCannotOpenForWriting, kFailure};
  Outcome outcome{kCannotWrite, kFailure};
  if (TakeTurn(update, kind)) {
    if (const std::optional<Outcome> left = LeftAsIs(mode, kind)) {
      outcome = *left;
    } else if (WriteFileKind(update, kind, path)) {
      outcome = {kind == FileKind::Master ? kMasterToPlugin : kPluginToMaster, 0};
    }
  }
  // A close that fails after the byte was synced does not undo it: the
  // outcome stands, and the status tells of the failure.
  if (!CloseUpdated(update)) outcome.status = kFailure;
  return outcome;
}

}  // namespace

Outcome ApplyMode(Mode mode, const std::string& path, FileHandle read) {
  if (!read.IsOpen()) return {kNoSuchFile, kFailure};
  const std::optional<FileKind> kind = ReadFileKind(read);
  if (!kind) return {kCannotRead, kFailure};
  if (const std::optional<Outcome> left = LeftAsIs(mode, *kind)) return *left;
  return SwitchKind(mode, path, read, *kind);
}
