#include "conversion.hpp"

#include <optional>

#include "messages.hpp"

namespace {

// The file that was read, held open until the update open has been
// compared with it: meanwhile no new file can take its name and its inode
// number or file index. Closed then, and at the latest when it goes.
class HeldRead {
 public:
  explicit HeldRead(std::FILE* stream) : stream_(stream) {}
  HeldRead(const HeldRead&) = delete;
  HeldRead& operator=(const HeldRead&) = delete;
  ~HeldRead() { Release(); }

  std::FILE* stream() const { return stream_; }
  void Release() {
    if (stream_ != nullptr) CloseRead(stream_);
    stream_ = nullptr;
  }

 private:
  std::FILE* stream_;
};

// The word for a kind, as --check reports it.
const char* KindWord(FileKind kind) {
  switch (kind) {
    case FileKind::Master: return kMaster;
    case FileKind::Plugin: return kPlugin;
    case FileKind::Unknown: break;
  }
  return kUnknownKind;
}

Outcome SwitchKind(const std::string& path, HeldRead& held, const KindRead& read) {
  std::FILE* update = OpenForUpdate(path, held.stream());
  // Held any longer, on Windows the file could not be renamed while the
  // outcome is read.
  held.Release();
  if (update == nullptr) {
    // Nothing was to be written to an unknown file, so nothing failed.
    if (read.kind == FileKind::Unknown) return {kUnknownKind, 0};
    return {kCannotOpenForWriting, kFailure};
  }
  const bool written = WriteFileKind(update, read);
  // A close that fails after the byte was synced does not undo it: the
  // outcome stands, and the status tells of the failure.
  const int closeResult = CloseUpdated(update);
  if (!written) return {kCannotWrite, kFailure};
  if (read.kind == FileKind::Unknown) return {kUnknownKind, closeResult};
  return {read.kind == FileKind::Master ? kMasterToPlugin : kPluginToMaster, closeResult};
}

// The outcome of `then` for what was read of the file open as readStream,
// which it gets held, or the failure that kept it from being read at all.
template <typename Then>
Outcome WithKindOf(std::FILE* readStream, Then then) {
  if (readStream == nullptr) return {kNoSuchFile, kFailure};
  HeldRead held(readStream);
  const std::optional<KindRead> read = ReadFileKind(readStream);
  if (!read) return {kCannotRead, kFailure};
  return then(*read, held);
}

}  // namespace

Outcome ConvertOpenedFile(const std::string& path, std::FILE* readStream) {
  return WithKindOf(readStream, [&path](const KindRead& read, HeldRead& held) {
    return SwitchKind(path, held, read);
  });
}

Outcome ConvertPath(const std::string& path) {
  return ConvertOpenedFile(path, OpenForReading(path));
}

Outcome CheckPath(const std::string& path) {
  return WithKindOf(OpenForReading(path), [](const KindRead& read, HeldRead&) {
    return Outcome{KindWord(read.kind), 0};
  });
}

Outcome SetKindOfPath(const std::string& path, FileKind wanted) {
  return WithKindOf(OpenForReading(path), [&](const KindRead& read, HeldRead& held) {
    if (read.kind == wanted) return Outcome{KindWord(read.kind), 0};
    if (read.kind == FileKind::Unknown) return Outcome{kUnknownKind, kNotOfKindAsked};
    return SwitchKind(path, held, read);
  });
}
