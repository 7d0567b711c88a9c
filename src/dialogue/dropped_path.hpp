// A typed path as the terminal or the user meant it: a file dropped into a
// terminal, or ~/ for the home folder. Each platform has its own source file.
#pragma once

#include <optional>
#include <string>

// The path the line stands for, when that differs from the line itself;
// nothing where the line means only itself, or where a file of that very
// name exists, so that a name that exists is never read any other way.
std::optional<std::string> PathMeantByDrop(const std::string& line);
