#include "wildcards_windows.hpp"

#include <windows.h>

#include <algorithm>

#include "base/utf16_windows.hpp"

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

// "." and ".." are folders too.
bool IsListedFile(const WIN32_FIND_DATAW& found) {
  const DWORD leftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  return (found.dwFileAttributes & leftOut) == 0;
}

// The folder resolved as the system resolved it for the search; empty when
// it cannot be.
std::wstring FullPathOf(const std::wstring& folder) {
  const std::wstring relative = folder.empty() ? L"." : folder;
  const DWORD needed = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(relative.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return full;
}

bool StartsWith(const std::wstring& text, const wchar_t* start) {
  return text.rfind(start, 0) == 0;
}

// A path that starts at a drive's root: C:\...
bool IsOnDrive(const std::wstring& path) {
  return path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
}

// The folder in the form that the system takes as it stands, with a
// separator at the end. Any other form drops a blank or a dot from the end
// of a name, so that "b.esp " would open "b.esp". A device path (\\.\) to a
// drive or a share names the same files as its literal form; empty for any
// other device path or a folder that did not resolve.
std::wstring LiteralFolder(const std::wstring& full) {
  std::wstring literal;
  if (StartsWith(full, L"\\\\?\\")) {
    literal = full;
  } else if (IsOnDrive(full)) {
    literal = L"\\\\?\\" + full;
  } else if (StartsWith(full, L"\\\\.\\")) {
    const std::wstring device = full.substr(4);
    const bool share = device.size() >= 4 &&
                       CompareStringOrdinal(device.c_str(), 4, L"UNC\\", 4, TRUE) == CSTR_EQUAL;
    if (!IsOnDrive(device) && !share) return {};
    literal = L"\\\\?\\" + device;
  } else if (StartsWith(full, L"\\\\")) {
    literal = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    return {};
  }
  if (literal.back() != L'\\') literal += L'\\';
  return literal;
}

// The search reads the literal folder that the files are then opened in,
// matching names itself: the system's search of the pattern as typed would
// resolve it as LiteralFolder avoids, and fail in long folders.
std::vector<Argument> MatchingFiles(const std::wstring& pattern) {
  const std::size_t namesAt = LastPartAt(pattern);
  const std::wstring folder = pattern.substr(0, namesAt);
  const std::wstring literalFolder = LiteralFolder(FullPathOf(folder));
  std::wstring namePattern = pattern.substr(namesAt);
  if (namePattern == L"*.*") namePattern = L"*";  // everything, dot or none, as in cmd
  std::vector<Argument> files;
  if (literalFolder.empty()) return files;
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((literalFolder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    const std::wstring name = found.cFileName;
    if (IsListedFile(found) && Matches(namePattern, name)) names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  for (const std::wstring& name : names) {
    files.push_back({Wtf8FromWide(folder + name), Wtf8FromWide(literalFolder + name)});
  }
  return files;
}

}  // namespace

std::vector<Argument> ExpandWildcards(const std::vector<std::wstring>& arguments) {
  std::vector<Argument> expanded;
  for (const std::wstring& argument : arguments) {
    const bool pattern = argument.find_first_of(L"*?", LastPartAt(argument)) != std::wstring::npos;
    std::vector<Argument> files;
    if (pattern) files = MatchingFiles(argument);
    if (files.empty()) files.push_back({Wtf8FromWide(argument), ""});
    expanded.insert(expanded.end(), files.begin(), files.end());
  }
  return expanded;
}
