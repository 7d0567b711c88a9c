// Runs the built tool as a child process, the way a user or a script would.
#pragma once

#include <string>

struct ToolRun {
  std::string output;   // everything written to standard output
  std::string errors;   // everything written to standard error
  int exitStatus = -1;  // the exit status, or -1 when it did not exit normally
};

// Runs the tool with `input` piped into its standard input and its output
// piped back, detached from any terminal so that it has no console. When
// asUnprivileged is set and the tests run as root, the tool runs as the
// unprivileged user 'nobody', so that file permissions apply to it.
ToolRun RunToolPiped(const std::string& input, bool asUnprivileged = false);
