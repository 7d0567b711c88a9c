#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "tool_process.hpp"
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

// Wine runs a 32-bit exe only with its 32-bit part (Debian's wine32:i386),
// which a mirror cannot always give; without it, the exe does nothing. An
// exe that does not even say its version, under a wine that cannot run its
// own 32-bit cmd either, is such a case, not a failure of the exe.
bool WineLacksItsPart() {
  ToolOptions probe;
  probe.command = {"env", "LC_ALL=C.UTF-8", "wine", MASTERSWITCH_EXE, "--version"};
  if (!RunToolPiped("", probe).output.empty()) return false;
  probe.command = {"wine", "C:\\windows\\syswow64\\cmd.exe", "/c", "exit"};
  return RunToolPiped("", probe).exitStatus != 0;
}

std::string WhyUnavailable() {
  if (!OnPath("wine")) return "wine is not installed";
  if (::access(MASTERSWITCH_EXE, R_OK) != 0) return "no " MASTERSWITCH_EXE;
  if (WineLacksItsPart()) return "wine cannot run 32-bit programs here: no wine32";
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
