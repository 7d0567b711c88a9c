// The backup and the rename that a modder would do by hand around a switch,
// done on request on the command line. Prints nothing.
#pragma once

#include <optional>
#include <string>

#include "typebyte/file_identity.hpp"
#include "typebyte/type_byte.hpp"

struct FileSteps {
  bool backup = false;
  bool rename = false;
};

enum class BackupStep { None, Made, Exists, Failed };
enum class RenameStep { None, Renamed, Exists, Failed, NoDataName, Moved };

// Where the copy of the file at path is kept: beside it, as NAME.bak.
std::string BackupPath(const std::string& path);

// The path with its .esp or .esm, in any case, made the extension of kind
// in the case of the old one; the path itself where it already has that
// extension; nothing for any other name.
std::optional<std::string> PathOfKind(const std::string& path, FileKind kind);

// Copies the file open as update, the file about to be written, to
// BackupPath(path).
BackupStep BackUp(const FileHandle& update, const std::string& path);

// Gives the file at path the extension of kind, while path still names
// file, the file read and written.
RenameStep RenameToKind(const std::string& path, FileKind kind, const FileIdentity& file);
