// An open file as the system gives it: a descriptor on POSIX, a HANDLE on
// Windows, both kept as an integer. Closed when it goes, if not before.
#pragma once

#include <cstdint>

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(std::intptr_t native) : native_(native) {}
  FileHandle(FileHandle&& other) noexcept : native_(other.native_) { other.native_ = kNone; }
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      static_cast<void>(Close());
      native_ = other.native_;
      other.native_ = kNone;
    }
    return *this;
  }
  ~FileHandle() { static_cast<void>(Close()); }

  bool IsOpen() const { return native_ != kNone; }
  std::intptr_t native() const { return native_; }
  // Closes it now; false when that failed. Each platform has its own.
  bool Close();

 private:
  static constexpr std::intptr_t kNone = -1;  // also Windows' INVALID_HANDLE_VALUE
  std::intptr_t native_ = kNone;
};
