#include "wtf8.hpp"

namespace {

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A lead byte has as many high bits set as the character has bytes; each
// byte after it starts with the bits 10 and carries six of the code point.
void AppendCharacter(std::uint32_t codePoint, std::string& bytes) {
  const int length = codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
  const std::uint32_t leadBits = length == 1 ? 0 : (0xFF00u >> length) & 0xFFu;
  bytes += static_cast<char>(leadBits | codePoint >> (6 * (length - 1)));
  for (int shift = 6 * (length - 2); shift >= 0; shift -= 6) {
    bytes += static_cast<char>(0x80u | (codePoint >> shift & 0x3Fu));
  }
}

}  // namespace

std::size_t Wtf8CharacterAt(const std::string& text, std::size_t at, std::uint32_t& codePoint) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  const auto length = static_cast<std::size_t>(Utf8Length(lead));
  if (length == 0 || text.size() - at < length) return 0;
  codePoint = lead & (0x7Fu >> length);
  for (std::size_t i = at + 1; i < at + length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    codePoint = codePoint << 6 | (byte(i) & 0x3Fu);
  }
  // A lead of C0 or C1 only ever makes an overlong form, one of F5 to F7 a
  // value past U+10FFFF.
  constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < kSmallest[length] || codePoint > 0x10FFFF) return 0;
  return length;
}

bool IsSurrogate(std::uint32_t codePoint) { return codePoint >= 0xD800 && codePoint <= 0xDFFF; }

std::string Wtf8FromUtf16(const std::u16string& wide) {
  std::string bytes;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    std::uint32_t codePoint = wide[i];
    if (IsHighSurrogate(codePoint) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (wide[++i] - 0xDC00u);
    }
    AppendCharacter(codePoint, bytes);  // an unpaired surrogate as any other unit
  }
  return bytes;
}

bool Utf16FromWtf8(const std::string& bytes, std::u16string& wide) {
  wide.clear();
  for (std::size_t at = 0; at < bytes.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = Wtf8CharacterAt(bytes, at, codePoint);
    if (length == 0) return false;
    if (IsLowSurrogate(codePoint) && !wide.empty() && IsHighSurrogate(wide.back())) return false;
    if (codePoint < 0x10000) {
      wide += static_cast<char16_t>(codePoint);
    } else {
      wide += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
      wide += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
    }
    at += length;
  }
  return true;
}
