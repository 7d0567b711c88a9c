#include <string>
#include <vector>

#include "command_line.hpp"

int main(int argc, char** argv) {
  // A program may be started with no arguments at all, not even its name.
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return RunProgram(arguments);
}
