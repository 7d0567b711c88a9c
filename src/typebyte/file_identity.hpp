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

// Windows gives a file's index in two 32-bit halves. Both count: NTFS puts a
// record's reuse count in the high half, so a file made in the record of a
// deleted one differs there only; FAT derives the index from the entry's
// place in its folder, so files in two places of one folder differ in the
// low half only.
constexpr FileIdentity IdentityFromIndex(std::uint32_t volumeSerial, std::uint32_t indexHigh,
                                         std::uint32_t indexLow) {
  return FileIdentity{volumeSerial, std::uint64_t{indexHigh} << 32 | indexLow};
}
