// Which file an open stream has, whatever name it was opened by: the device
// and inode numbers on POSIX, the volume serial number and file index on
// Windows. Two opens of one path that give two identities opened two files.
#pragma once

#include <cstdint>

struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
};

inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.file == b.file;
}
inline bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }
