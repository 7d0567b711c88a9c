#include <windows.h>

#include "utf16_windows.hpp"
#include "wtf8.hpp"

std::wstring Utf16FromBytes(const std::string& bytes) {
  std::u16string units;
  if (Utf16FromWtf8(bytes, units)) return std::wstring(units.begin(), units.end());
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &wide[0], needed);
  return wide;
}

std::string Utf8FromUtf16(const std::wstring& wide) {
  return Wtf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}
