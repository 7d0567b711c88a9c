// Runs the built tool as a child process, the way a user or a script would.
#pragma once

#include <string>
#include <vector>

struct ToolRun {
  std::string output;   // everything written to standard output
  std::string errors;   // everything written to standard error
  int exitStatus = -1;  // the exit status, or -1 when it did not exit normally
  std::string notRun;   // why the tool could not be run as asked; empty when it ran
};

struct ToolOptions {
  // The folder the tool starts in, so that paths piped to it may be relative
  // to it; empty for the tests' own.
  std::string workingDirectory;
  // As root, run the tool as the unprivileged user 'nobody', so that file
  // permissions apply to it; any other user is unprivileged already. A copy
  // of the tool in the working directory is run, since nobody may not be
  // allowed into the folders above the build.
  bool unprivileged = false;
  // The command-line arguments.
  std::vector<std::string> arguments;
  // What runs in place of the tool itself, when not empty.
  std::vector<std::string> command;
  // Standard input stays open once the input is written, as a terminal or
  // a pipe from a program that goes on would; a read of it then blocks.
  bool inputStaysOpen = false;
};

// Runs the tool with `input` piped into its standard input and its output
// piped back, in a session of its own without a terminal, as a piped user
// runs it, so that it has no console to wait for a key on.
ToolRun RunToolPiped(const std::string& input, const ToolOptions& options = ToolOptions());
