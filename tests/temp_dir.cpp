#include "temp_dir.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

TempDir::TempDir() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "masterswitch-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::PathOf(const std::string& name) const { return (root_ / name).string(); }

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = PathOf(name);
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DataFile(unsigned char typeByte, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(0x40 + i % 64);
  bytes[8] = static_cast<char>(typeByte);
  return bytes;
}
