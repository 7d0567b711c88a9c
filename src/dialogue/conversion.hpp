// One file switched or looked at, from its path to the message that says
// what happened, for the dialogue and the command line alike. Prints nothing.
#pragma once

#include <cstdio>
#include <string>

#include "typebyte/type_byte.hpp"

struct Outcome {
  const char* message;  // one of the tool's messages
  int status;           // 0, kNotOfKindAsked, or -1 when the file could not be done
};

// Reads the kind of the file at path, already open for reading, and
// switches it. The file is reopened, written, synced and closed before this
// returns, so that the outcome is only ever reported for a byte on disk,
// and the file is free for the user to rename while the outcome is read.
// A file of unknown kind is only read.
Outcome ConvertOpenedFile(const std::string& path, std::FILE* readStream);

// Opens, classifies and switches the file at path.
Outcome ConvertPath(const std::string& path);

// Opens the file at path for reading only and says which kind it is.
Outcome CheckPath(const std::string& path);

// Makes the file at path a master or a plugin, as wanted. It is opened for
// writing only when its byte must change: a file that already is of that
// kind, or is of unknown kind, is only read; the latter is no failure, but
// not of the kind asked for either.
Outcome SetKindOfPath(const std::string& path, FileKind wanted);
