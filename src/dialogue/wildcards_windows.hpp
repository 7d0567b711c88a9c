// cmd and PowerShell hand a program its wildcards unexpanded: on Windows,
// each program expands its own.
#pragma once

#include <string>
#include <vector>

// Each argument whose last part holds * or ? becomes the names in its
// folder that match, in name order, with the folder kept in front as
// written; one that matches nothing stays as it is and names no file. A
// Windows file name cannot hold * or ?, so no real name is misread.
std::vector<std::wstring> ExpandWildcards(const std::vector<std::wstring>& arguments);
