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

// What a mode makes of a file of a kind: the outcome where the file is to
// be left as it is, nothing where its byte is to be switched.
using Verdict = std::optional<Outcome>;

Verdict ConvertVerdict(FileKind kind) {
  // Nothing is to be written to an unknown file, so nothing failed.
  if (kind == FileKind::Unknown) return Outcome{kUnknownKind, 0};
  return std::nullopt;
}

const char* SwitchMessage(FileKind from) {
  return from == FileKind::Master ? kMasterToPlugin : kPluginToMaster;
}

// A file to be left as it is is never opened for writing. Once the turn at
// the file is taken, it is judged again: another run may have switched it
// while this one waited.
template <typename Judge>
Outcome SwitchKind(const std::string& path, HeldRead& held, KindRead read, Judge judge) {
  if (const Verdict left = judge(read.kind)) return *left;
  std::FILE* update = OpenForUpdate(path, held.stream());
  // Held any longer, on Windows the file could not be renamed while the
  // outcome is read.
  held.Release();
  if (update == nullptr) return {kCannotOpenForWriting, kFailure};
  Outcome outcome{kCannotWrite, kFailure};
  if (TakeTurn(update, read)) {
    if (const Verdict left = judge(read.kind)) {
      outcome = *left;
    } else if (WriteFileKind(update, read, path)) {
      outcome = {SwitchMessage(read.kind), 0};
    }
  }
  // A close that fails after the byte was synced does not undo it: the
  // outcome stands, and the status tells of the failure.
  if (CloseUpdated(update) != 0) outcome.status = kFailure;
  return outcome;
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
    return SwitchKind(path, held, read, ConvertVerdict);
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
  const auto judge = [wanted](FileKind kind) -> Verdict {
    if (kind == wanted) return Outcome{KindWord(kind), 0};
    if (kind == FileKind::Unknown) return Outcome{kUnknownKind, kNotOfKindAsked};
    return std::nullopt;
  };
  return WithKindOf(OpenForReading(path), [&](const KindRead& read, HeldRead& held) {
    return SwitchKind(path, held, read, judge);
  });
}
