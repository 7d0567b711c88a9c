// One file switched or looked at, from its path to the message that says
// what happened, for the dialogue and the command line alike. Prints nothing.
#pragma once

#include <string>

#include "type_byte.hpp"

struct Outcome {
  const char* message;  // one of the tool's messages
  int status;           // 0, or -1 when the file could not be done
};

// Switches the type byte of a file already classified as kind. The file is
// reopened, written, synced and closed before this returns, so that the
// outcome is only ever reported for a byte on disk, and the file is free
// for the user to rename while the outcome is read.
Outcome SwitchKind(const std::string& path, FileKind kind);

// Opens, classifies and switches the file at path.
Outcome ConvertPath(const std::string& path);

// Opens the file at path for reading only and says which kind it is.
Outcome CheckPath(const std::string& path);
