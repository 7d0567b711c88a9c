// An open file as the system gives it: a descriptor on POSIX, a HANDLE on
// Windows, both kept as an integer. Closed when it goes, if not before.
#pragma once

#include <cstdint>
#include <utility>

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(std::intptr_t native) : native_(native) {}
  FileHandle(FileHandle&& other) noexcept : native_(std::exchange(other.native_, kNone)) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      static_cast<void>(Close());
      native_ = std::exchange(other.native_, kNone);
    }
    return *this;
  }
  ~FileHandle() { static_cast<void>(Close()); }

  bool IsOpen() const { return native_ != kNone; }
  std::intptr_t native() const { return native_; }
  // Closes it now; false when that failed.
  bool Close() { return !IsOpen() || CloseNative(std::exchange(native_, kNone)); }

 private:
  static bool CloseNative(std::intptr_t native);  // each platform has its own
  static constexpr std::intptr_t kNone = -1;      // also Windows' INVALID_HANDLE_VALUE
  std::intptr_t native_ = kNone;
};
