# Cross-builds masterswitch for macOS on Intel Macs with zig.
set(MACOS_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/zig-macos.cmake)
