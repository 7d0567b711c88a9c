# Cross-builds masterswitch for macOS on Apple silicon with zig.
set(MACOS_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/zig-macos.cmake)
