// UTF-8 that also carries unpaired UTF-16 surrogates, as three bytes each
// (WTF-8): NTFS allows them in file names, and in plain UTF-8 they would
// turn into U+FFFD and name another file, or none. Platform-free, as every
// platform's terminal output and key decoder read UTF-8 by it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How many bytes a UTF-8 character that starts with this byte has, by its
// high bits alone; 0 for a byte that starts none.
constexpr int Utf8Length(unsigned char lead) {
  return lead < 0x80   ? 1
         : lead < 0xC0 ? 0
         : lead < 0xE0 ? 2
         : lead < 0xF0 ? 3
         : lead < 0xF8 ? 4
                       : 0;
}

// The length of the character at text[at] (valid UTF-8, or a surrogate in
// three bytes), with its code point; 0 for a stray continuation byte, a
// sequence cut short, an overlong form or a value past U+10FFFF.
std::size_t Wtf8CharacterAt(const std::string& text, std::size_t at, std::uint32_t& codePoint);

bool IsSurrogate(std::uint32_t codePoint);

// Lossless: Utf16FromWtf8 gives back exactly what went in.
std::string Wtf8FromUtf16(const std::u16string& wide);

// False when bytes are not WTF-8, which includes a surrogate pair written as
// two halves of three bytes each: a name has one spelling only.
bool Utf16FromWtf8(const std::string& bytes, std::u16string& wide);
