// The tool's start: with no arguments the dialogue; with paths, each file
// converted (or, with --check, looked at) and reported on a line of its own;
// --help and --version.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name, as WTF-8 on Windows. Returns the
// exit status: 0; 1 when --to-master or --to-plugin left a file of unknown
// kind as it was; -1 when a file could not be done; 2 for a usage error.
int RunProgram(const std::vector<std::string>& arguments);
