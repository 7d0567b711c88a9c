// Text between the tool's own bytes and UTF-16, the encoding of Windows'
// file names and console. The tool's own bytes are WTF-8, so that a name
// that is not valid UTF-16 still comes back as itself.
#pragma once

#include <string>

#include "wtf8.hpp"

// Empty when the bytes are not WTF-8 (which includes UTF-8).
inline std::wstring WideFromWtf8(const std::string& bytes) {
  std::u16string units;
  if (!Utf16FromWtf8(bytes, units)) return {};
  return std::wstring(units.begin(), units.end());
}

inline std::string Wtf8FromWide(const std::wstring& wide) {
  return Wtf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}
