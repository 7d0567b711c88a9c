// Text between the tool's own bytes (UTF-8 where it has the choice) and
// UTF-16, the encoding of Windows' file names and console.
#pragma once

#include <string>

// Decodes bytes of the given code page; false when they are not valid in it
// and strict is set, or cannot be decoded at all.
bool Utf16FromBytes(const std::string& bytes, unsigned codePage, bool strict, std::wstring& wide);

std::wstring Utf16FromUtf8(const std::string& text);
std::string Utf8FromUtf16(const std::wstring& wide);
