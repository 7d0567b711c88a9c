#include <string>
#include <vector>

#include "command_line.hpp"

int main(int argc, char** argv) {
  // A program may be started with no arguments at all, not even its name.
  std::vector<Argument> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back({argv[i], ""});
  return RunProgram(arguments);
}
