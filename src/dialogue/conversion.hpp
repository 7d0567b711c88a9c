// One file switched or looked at, from its path to the message that says
// what happened, for the dialogue and the command line alike. Prints nothing.
#pragma once

#include <string>

#include "file_steps.hpp"
#include "typebyte/type_byte.hpp"

// What is done to a file: switched whatever it is, only looked at, or made
// a master or a plugin. A file that is already of the kind asked for, or
// of unknown kind, is only read.
enum class Mode { Convert, Check, ToMaster, ToPlugin };

struct Outcome {
  const char* message;  // one of the tool's messages
  int status;           // 0, kNotOfKindAsked, or -1 when the file could not be done
  FileKind kindNow = FileKind::Unknown;  // where the message says the file is of a kind now
  BackupStep backup = BackupStep::None;
  RenameStep rename = RenameStep::None;
};

// Applies mode to the file at path, already open for reading as read (not
// open: it did not open). A switched file is reopened, written, synced and
// closed before this returns, free for the user to rename while the outcome
// is read. A backup that is refused leaves the file unswitched, a rename
// that is refused leaves it switched; either makes the status -1.
Outcome ApplyMode(Mode mode, const std::string& path, FileHandle read,
                  const FileSteps& steps = FileSteps());
