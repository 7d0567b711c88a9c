// The tool's start: with no arguments the dialogue; with paths, each file
// converted (or, with --check, looked at) and reported on a line of its own;
// --help and --version.
#pragma once

#include <string>
#include <vector>

// One argument after the program's name, as WTF-8 on Windows. A name that a
// wildcard found opens by a path of its own, which names that very file even
// where the name as shown would mean another (see wildcards_windows.cpp).
struct Argument {
  std::string text;       // as given; for a found name, the folder as given and the name
  std::string foundPath;  // for a found name, the path that opens that very file; else empty
};

// Returns the exit status that --help lists.
int RunProgram(const std::vector<Argument>& arguments);
