// The tool's start: with no arguments the dialogue; with paths, each file
// converted (or, with --check, looked at) and reported on a line of its own;
// --help and --version.
#pragma once

#include <string>
#include <vector>

// One argument after the program's name, as WTF-8 on Windows. A name that
// a wildcard found is a path whatever it looks like, even "--to-plugin", and
// opens by a path of its own: the name as shown may mean another file to
// the system, such as "b.esp " (with a trailing blank) the file "b.esp".
struct Argument {
  std::string text;       // as given; for a found name, the folder as given and the name
  std::string foundPath;  // for a found name, the path that opens that very file; else empty
};

// Returns the exit status: 0; 1 when --to-master or --to-plugin left a file
// of unknown kind as it was; -1 when a file could not be done; 2 for a
// usage error.
int RunProgram(const std::vector<Argument>& arguments);
