#include "file_steps.hpp"

#include "typebyte/regular_file.hpp"

namespace {

constexpr std::size_t kExtensionLength = 4;  // ".esp", ".esm"

bool IsUpper(char letter) { return letter >= 'A' && letter <= 'Z'; }

char Lower(char letter) { return IsUpper(letter) ? static_cast<char>(letter - 'A' + 'a') : letter; }

bool Names(const std::string& path, const FileIdentity& file) {
  FileIdentity named;
  return IdentifyPath(path, named) && named == file;
}

}  // namespace

std::string BackupPath(const std::string& path) { return path + ".bak"; }

std::optional<std::string> PathOfKind(const std::string& path, FileKind kind) {
  if (kind == FileKind::Unknown || path.size() < kExtensionLength) return std::nullopt;
  std::string extension = path.substr(path.size() - kExtensionLength);
  for (char& letter : extension) letter = Lower(letter);
  if (extension != ".esp" && extension != ".esm") return std::nullopt;
  // ".esp" and ".esm" differ in the last letter alone.
  const char last = kind == FileKind::Master ? 'm' : 'p';
  std::string renamed = path;
  renamed.back() = IsUpper(renamed.back()) ? static_cast<char>(last - 'a' + 'A') : last;
  return renamed;
}

BackupStep BackUp(const FileHandle& update, const std::string& path) {
  switch (CopyToNewFile(update, BackupPath(path))) {
    case NewName::Made: return BackupStep::Made;
    case NewName::Exists: return BackupStep::Exists;
    case NewName::Failed: break;
  }
  return BackupStep::Failed;
}

RenameStep RenameToKind(const std::string& path, FileKind kind, const FileIdentity& file) {
  const std::optional<std::string> renamed = PathOfKind(path, kind);
  if (!renamed) return RenameStep::NoDataName;
  if (*renamed == path) return RenameStep::None;
  if (!Names(path, file)) return RenameStep::Moved;
  switch (RenameWithoutReplacing(path, *renamed)) {
    case NewName::Made: break;
    case NewName::Exists: return RenameStep::Exists;
    case NewName::Failed: return RenameStep::Failed;
  }
  if (Names(*renamed, file)) return RenameStep::Renamed;
  // Another file, put in its place just before the rename, was renamed in
  // its stead: that one gets its name back.
  static_cast<void>(RenameWithoutReplacing(*renamed, path));
  return RenameStep::Moved;
}
