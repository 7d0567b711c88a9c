# The flags Debian builds its packages with, for the release's Linux
# binaries: a stack protector, fortified libc calls, format checks, and
# relocations resolved and made read-only before main() runs (RELRO,
# BIND_NOW), on top of PIE, which Debian's compilers make by default.
# From dpkg-buildflags where it is installed; elsewhere the same list,
# which GCC and Clang both take, with PIE asked for.
find_program(MASTERSWITCH_DPKG_BUILDFLAGS dpkg-buildflags)
if(MASTERSWITCH_DPKG_BUILDFLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # Its own prefix map names the folder it runs in only where that path
    # holds no blank or other special character; MASTERSWITCH_REPRODUCIBLE
    # maps it out wherever it is.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env
        "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
        ${MASTERSWITCH_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE ${kind} OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed: ${result}")
    endif()
  endforeach()
else()
  set(CPPFLAGS "-D_FORTIFY_SOURCE=2")
  set(CXXFLAGS "-fPIE -fstack-protector-strong -Wformat -Werror=format-security")
  set(LDFLAGS "-Wl,-z,relro -Wl,-z,now")
endif()
message(STATUS "Hardening: ${CPPFLAGS} ${CXXFLAGS} ${LDFLAGS}")
# In front, so that the build type's optimisation level still counts.
string(PREPEND CMAKE_CXX_FLAGS "${CPPFLAGS} ${CXXFLAGS} ")
string(PREPEND CMAKE_EXE_LINKER_FLAGS "${LDFLAGS} ")
