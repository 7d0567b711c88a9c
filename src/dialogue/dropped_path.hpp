// A typed path as the terminal or the user meant it: a terminal types a
// file dropped into it in its shell's quoting, and a shell user writes ~/
// for the home folder. Each platform has its own source file.
#pragma once

#include <optional>
#include <string>

// The path the line stands for, when that differs from the line itself;
// nothing where the line means only itself, or where a file of that very
// name exists, so that a name that exists is never read any other way.
// Asked only once the line as typed has not opened.
std::optional<std::string> PathMeantByDrop(const std::string& line);
