// The arguments are taken as UTF-16, as Windows keeps them, so that a file
// dropped on the exe opens whatever letters its name holds.
#include <string>
#include <vector>

#include "command_line.hpp"
#include "wildcards_windows.hpp"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> given;
  for (int i = 1; i < argc; ++i) given.emplace_back(argv[i]);
  return RunProgram(ExpandWildcards(given));
}
