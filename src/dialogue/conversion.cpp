#include "conversion.hpp"

#include <optional>

#include "messages.hpp"
#include "typebyte/regular_file.hpp"

namespace {

// The outcome for a file that mode leaves as it is; nothing when mode switches it.
std::optional<Outcome> LeftAsIs(Mode mode, FileKind kind) {
  if (kind == FileKind::Unknown) {
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
  return Outcome{kind == FileKind::Master ? kMaster : kPlugin, 0, kind};
}

Outcome BackUpAndWrite(const FileHandle& update, FileKind kind, const std::string& path,
                       bool backup) {
  const BackupStep copy = backup ? BackUp(update, path) : BackupStep::None;
  Outcome outcome{kCannotWrite, kFailure};
  if (copy == BackupStep::Exists || copy == BackupStep::Failed) {
    outcome.message = kind == FileKind::Master ? kMaster : kPlugin;
  } else if (WriteFileKind(update, kind, path)) {
    const bool master = kind == FileKind::Master;
    outcome = {master ? kMasterToPlugin : kPluginToMaster, 0,
               master ? FileKind::Plugin : FileKind::Master};
  }
  outcome.backup = copy;
  return outcome;
}

bool Refused(RenameStep step) {
  return step == RenameStep::Exists || step == RenameStep::Failed || step == RenameStep::Moved;
}

// The read is let go once the update open has been compared with it (see
// ApplyMode). With the turn taken, the file is judged as it is then.
Outcome SwitchKind(Mode mode, const std::string& path, FileHandle& read, FileKind kind,
                   bool backup) {
  FileHandle update = OpenForUpdate(path, read);
  read.Close();
  if (!update.IsOpen()) return {kCannotOpenForWriting, kFailure};
  Outcome outcome{kCannotWrite, kFailure};
  if (TakeTurn(update, kind)) {
    const std::optional<Outcome> left = LeftAsIs(mode, kind);
    outcome = left ? *left : BackUpAndWrite(update, kind, path, backup);
  }
  // A close that fails after the byte was synced does not undo it: the
  // outcome stands, and the status tells of the failure.
  if (!CloseUpdated(update)) outcome.status = kFailure;
  return outcome;
}

}  // namespace

Outcome ApplyMode(Mode mode, const std::string& path, FileHandle read, const FileSteps& steps) {
  if (!read.IsOpen()) return {kNoSuchFile, kFailure};
  const std::optional<FileKind> kind = ReadFileKind(read);
  if (!kind) return {kCannotRead, kFailure};
  FileIdentity file;
  const bool known = IdentifyFile(read, file);
  const std::optional<Outcome> left = LeftAsIs(mode, *kind);
  Outcome outcome = left ? *left : SwitchKind(mode, path, read, *kind, steps.backup);
  read.Close();  // held, on Windows the file could not be renamed
  if (steps.rename && outcome.kindNow != FileKind::Unknown) {
    outcome.rename = known ? RenameToKind(path, outcome.kindNow, file) : RenameStep::Failed;
    if (Refused(outcome.rename)) outcome.status = kFailure;
  }
  return outcome;
}
