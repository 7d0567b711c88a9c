#include "terminal_text.hpp"

#include <cstddef>
#include <cstdint>

#include "base/wtf8.hpp"

std::string ShownOnTerminal(const std::string& text) {
  std::string shown;
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t codePoint = 0;
    const std::size_t length = Wtf8CharacterAt(text, at, codePoint);
    // A surrogate is no character of valid UTF-8: each of its bytes shows.
    const bool valid = length != 0 && !IsSurrogate(codePoint);
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
    shown += valid && !control ? text.substr(at, length) : "?";
    at += valid ? length : 1;
  }
  return shown;
}
