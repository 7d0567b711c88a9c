// Which build of the tool the process tests run: the native one, or the
// Windows one under wine. Each is one source file linked into its own test
// program.
#pragma once

#include <string>
#include <vector>

struct ToolUnderTest {
  std::vector<std::string> command;  // program and arguments
  std::string newline;               // how the tool writes a newline
  bool isWindows;
  std::string unavailable;  // why it cannot run here; empty when it can
};

const ToolUnderTest& Tool();
