// cmd and PowerShell hand a program its wildcards unexpanded: on Windows,
// each program expands its own.
#pragma once

#include <string>
#include <vector>

#include "command_line.hpp"

// Each argument whose last part holds * or ? becomes the files in its
// folder that match, in name order, shown with the folder in front as
// written; one that matches none stays as it is and names no file. A
// Windows file name cannot hold * or ?, so no real name is misread. As in
// dir, hidden and system files and folders are left out, and so is a name
// that cannot be given a path of its own.
std::vector<Argument> ExpandWildcards(const std::vector<std::wstring>& arguments);
