/* Forced into each Windows source by scripts/lint.sh: the Windows SDK's
   <windows.h> defines min and max as macros unless the build defines
   NOMINMAX, and MSVC then fails on std::min. MinGW's C++ library defines
   NOMINMAX by itself, so its builds alone would never show that. */
#ifndef NOMINMAX
#define WINDOWS_SDK_MIN_MAX
#endif
#include <windows.h>
#ifdef WINDOWS_SDK_MIN_MAX
#define min(a, b) (((a) < (b)) ? (a) : (b))
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
