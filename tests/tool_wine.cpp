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

// Skipped only for what the machine lacks, never for what the exe did: an
// exe that prints nothing where wine could run it is a fault of the exe.
// A 32-bit exe needs wine's 32-bit loader (Debian's wine32:i386) and a
// kernel that runs 32-bit programs, or an emulator registered for them;
// the test command probes the kernel before it installs anything of i386
// and says in MASTERSWITCH_NO_32BIT when neither is to be had.
std::string WhyUnavailable() {
  if (!OnPath("wine")) return "wine is not installed";
  if (::access(MASTERSWITCH_EXE, R_OK) != 0) return "no " MASTERSWITCH_EXE;
  if (MASTERSWITCH_EXE_BITS == 32) {
    const char* no32 = std::getenv("MASTERSWITCH_NO_32BIT");
    if (no32 != nullptr && std::string(no32) == "1") {
      return "this kernel runs no 32-bit programs (MASTERSWITCH_NO_32BIT=1)";
    }
    if (::access("/usr/lib/wine/wine", X_OK) != 0) {
      return "wine cannot run 32-bit programs here: no wine32";
    }
  }
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
