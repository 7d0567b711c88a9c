#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "tool_under_test.hpp"

namespace {

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string WhyUnavailable() {
  if (!OnPath("wine")) return "wine is not installed";
  if (::access(MASTERSWITCH_EXE, R_OK) != 0) return "no " MASTERSWITCH_EXE;
  return "";
}

}  // namespace

// Wine maps the Windows file names to Unix ones through the locale's
// character set, which is ASCII where none is set; the tests' file names
// are UTF-8.
const ToolUnderTest& Tool() {
  static const ToolUnderTest tool{
      {"env", "LC_ALL=C.UTF-8", "wine", MASTERSWITCH_EXE}, "\r\n", true, WhyUnavailable()};
  return tool;
}
