#include "wildcards_windows.hpp"

#include <windows.h>

#include <algorithm>

namespace {

bool SameLetter(wchar_t a, wchar_t b) {
  return CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
}

// * stands for any run of characters, ? for one, letters in either case,
// as Windows compares names. Only the long name is matched: the system's
// own search also matches 8.3 short names, by which *.esp would take in
// Mod.esp_backup (MODESP~1.ESP), a backup that must not be converted.
bool Matches(const std::wstring& pattern, const std::wstring& name) {
  std::size_t p = 0, n = 0, star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == L'?' || SameLetter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// Where the last part of a path starts: after its last separator or drive.
std::size_t LastPartAt(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? 0 : separator + 1;
}

std::vector<std::wstring> MatchingNames(const std::wstring& pattern) {
  const std::size_t lastPart = LastPartAt(pattern);
  std::wstring namePattern = pattern.substr(lastPart);
  if (namePattern == L"*.*") namePattern = L"*";  // everything, dot or none, as in cmd
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L".." && Matches(namePattern, name)) names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  for (std::wstring& name : names) name.insert(0, pattern, 0, lastPart);
  return names;
}

}  // namespace

std::vector<std::wstring> ExpandWildcards(const std::vector<std::wstring>& arguments) {
  std::vector<std::wstring> expanded;
  for (const std::wstring& argument : arguments) {
    const bool pattern = argument.find_first_of(L"*?", LastPartAt(argument)) != std::wstring::npos;
    std::vector<std::wstring> names;
    if (pattern) names = MatchingNames(argument);
    if (names.empty()) names.push_back(argument);
    expanded.insert(expanded.end(), names.begin(), names.end());
  }
  return expanded;
}
