# Cross-builds masterswitch.exe for 32-bit Windows, which runs on every
# Windows, with MinGW-w64.
set(MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
