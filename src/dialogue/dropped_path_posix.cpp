// A file dropped into a terminal is typed as its path in shell quoting, with
// a blank after it: GNOME Terminal, Konsole and xfce4-terminal put it in
// single quotes ('My Mods/it'\''s.esm'), macOS Terminal and iTerm2 put a
// backslash before each special character (My\ Mods/it\'s.esm). One
// trailing blank and one level of quoting are taken off:
//
//   'text'   the text as it stands; '\'' inside is one quote
//   "text"   the text, with \$ \` \" and \\ inside standing for the character
//   text     \c anywhere standing for c; a leading ~/ is $HOME/
//
// Anything else, such as a quote left open, means nothing but itself.
#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

#include "dropped_path.hpp"

namespace {

bool UnquoteSingle(const std::string& text, std::string& path) {
  if (text.size() < 2 || text.back() != '\'') return false;
  const std::size_t last = text.size() - 1;
  for (std::size_t i = 1; i < last; ++i) {
    if (text[i] == '\'') {
      // An escaped quote between two quoted parts, not the closing one.
      if (text.compare(i, 4, "'\\''") != 0 || i + 4 > last) return false;
      i += 3;
    }
    path += text[i];
  }
  return true;
}

bool UnquoteDouble(const std::string& text, std::string& path) {
  constexpr std::string_view kEscaped = "$`\"\\";
  if (text.size() < 2 || text.back() != '"') return false;
  const std::size_t last = text.size() - 1;
  for (std::size_t i = 1; i < last; ++i) {
    if (text[i] == '\\' && kEscaped.find(text[i + 1]) != std::string_view::npos) {
      if (i + 1 == last) return false;  // it escapes the closing quote
      ++i;
    } else if (text[i] == '"') {
      return false;
    }
    path += text[i];
  }
  return true;
}

bool UnescapeBackslashes(std::string_view text, std::string& path) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && ++i == text.size()) return false;
    path += text[i];
  }
  return true;
}

bool Unquote(const std::string& text, std::string& path) {
  if (text.empty()) return false;
  if (text.front() == '\'') return UnquoteSingle(text, path);
  if (text.front() == '"') return UnquoteDouble(text, path);
  std::string_view rest = text;
  const char* home = std::getenv("HOME");
  if (rest.substr(0, 2) == "~/" && home != nullptr && *home != '\0') {
    path = home;
    rest.remove_prefix(1);
  }
  return UnescapeBackslashes(rest, path);
}

}  // namespace

std::optional<std::string> PathMeantByDrop(const std::string& line) {
  // A name that exists, if only as a folder or an unreadable file, is that.
  struct stat existing;
  if (::lstat(line.c_str(), &existing) == 0) return std::nullopt;
  std::string text = line;
  if (!text.empty() && text.back() == ' ') text.pop_back();
  std::string path;
  if (!Unquote(text, path) || path == line) return std::nullopt;
  return path;
}
