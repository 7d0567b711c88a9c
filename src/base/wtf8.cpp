#include "wtf8.hpp"

namespace {

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendCharacter(std::uint32_t codePoint, std::string& bytes) {
  const auto add = [&bytes](std::uint32_t byte) { bytes += static_cast<char>(byte); };
  if (codePoint < 0x80) {
    add(codePoint);
  } else if (codePoint < 0x800) {
    add(0xC0 | codePoint >> 6);
    add(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    add(0xE0 | codePoint >> 12);
    add(0x80 | (codePoint >> 6 & 0x3F));
    add(0x80 | (codePoint & 0x3F));
  } else {
    add(0xF0 | codePoint >> 18);
    add(0x80 | (codePoint >> 12 & 0x3F));
    add(0x80 | (codePoint >> 6 & 0x3F));
    add(0x80 | (codePoint & 0x3F));
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
