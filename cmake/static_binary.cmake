# Links masterswitch with its C library inside, so that the one file runs
# on any x86-64 Linux, whatever C library the system has. Static glibc
# cannot load a name service or a locale module; the tool needs neither.
# A static PIE, which the kernel still places at a random address, where
# the toolchain links one that runs; a plain static binary otherwise.
include(CheckCXXSourceRuns)
set(CMAKE_REQUIRED_LINK_OPTIONS -static-pie)
# A static PIE relocates itself at start; a broken one crashes there, at
# the latest in the first call of a libc function chosen for the processor.
check_cxx_source_runs([[
  #include <cstdio>
  #include <cstring>
  int main(int, char** argv) { return std::strlen(argv[0]) > 0 && std::puts(argv[0]) >= 0 ? 0 : 1; }
]] MASTERSWITCH_STATIC_PIE_RUNS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(MASTERSWITCH_STATIC_PIE_RUNS)
  target_link_options(masterswitch PRIVATE -static-pie)
else()
  target_link_options(masterswitch PRIVATE -static)
endif()
