// A private temporary folder for one test, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string PathOf(const std::string& name) const;
  // Writes a file with exactly these bytes and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path root_;
};

std::string ReadWholeFile(const std::string& path);

// A file of `size` bytes (at least 9) that holds `typeByte` at offset 8 and
// distinct values everywhere else, so that any stray write shows.
std::string DataFile(unsigned char typeByte, std::size_t size = 64);
