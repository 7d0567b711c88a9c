// Text between the tool's own bytes and UTF-16, the encoding of Windows'
// file names and console. The tool's own bytes are WTF-8, so that a name
// that is not valid UTF-16 still comes back as itself.
#pragma once

#include <string>

// Decodes WTF-8, or, where the bytes are not that, ANSI code page text as a
// program of the system would have written it.
std::wstring Utf16FromBytes(const std::string& bytes);

std::string Utf8FromUtf16(const std::wstring& wide);
