#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "utf16_windows.hpp"

bool Utf16FromBytes(const std::string& bytes, unsigned codePage, bool strict, std::wstring& wide) {
  wide.clear();
  if (bytes.empty()) return true;
  const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  const int length = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  wide.assign(static_cast<std::size_t>(needed), L'\0');
  return MultiByteToWideChar(codePage, flags, bytes.data(), length, &wide[0], needed) == needed;
}

std::wstring Utf16FromUtf8(const std::string& text) {
  std::wstring wide;
  Utf16FromBytes(text, CP_UTF8, false, wide);
  return wide;
}

std::string Utf8FromUtf16(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string text(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &text[0], needed, nullptr, nullptr);
  return text;
}
