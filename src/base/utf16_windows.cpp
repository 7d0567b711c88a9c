#include "utf16_windows.hpp"

#include "wtf8.hpp"

std::wstring WideFromWtf8(const std::string& bytes) {
  std::u16string units;
  if (!Utf16FromWtf8(bytes, units)) return {};
  return std::wstring(units.begin(), units.end());
}

std::string Wtf8FromWide(const std::wstring& wide) {
  return Wtf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}
