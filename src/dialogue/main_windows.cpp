// The arguments are taken as UTF-16, as Windows keeps them, so that a file
// dropped on the exe opens whatever letters its name holds.
#include <string>
#include <vector>

#include "command_line.hpp"
#include "utf16_windows.hpp"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Utf8FromUtf16(argv[i]));
  return RunProgram(arguments);
}
