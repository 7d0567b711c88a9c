// The one thing the tool knows about a data file: the byte at offset 8 says
// whether it is a master (0x01) or a plugin (0x00). Nothing is printed here;
// the dialogue reports what happened.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

enum class FileKind { Master, Plugin, Unknown };

// An existing regular file opened for binary reading, or nullptr for any
// failure at all (missing, a directory, a device, a FIFO, no permission, a
// path holding a NUL byte).
std::FILE* OpenForReading(const std::string& path);

// What reading a file found: its kind, and its length then. A length that
// has changed by the time of the write tells of another program at work.
struct KindRead {
  FileKind kind;
  std::int64_t length;
};

// Reads and classifies the type byte. A file too short to have one is
// Unknown; nothing at all when reading failed (an I/O error), which says
// nothing of the file's kind. The stream stays open: held, it keeps the
// file from being freed, so its inode number or file index cannot go to a
// new file put under its name before OpenForUpdate has compared the two.
std::optional<KindRead> ReadFileKind(std::FILE* readStream);

// The same path reopened for binary update, positioned at the type byte;
// never created or truncated. nullptr when it cannot be opened, or when it
// is no longer the file that readStream, still open, has: another file, or
// a link to one, put in its place in between was never looked at.
std::FILE* OpenForUpdate(const std::string& path, std::FILE* readStream);

// Closes a read stream, through which nothing was written.
void CloseRead(std::FILE* readStream);

// Puts the opposite type byte into the file and makes it durable before
// returning, so that success is only ever reported for a byte on disk.
// Writes nothing for Unknown, nor when the byte no longer holds the value
// that was read or the file's length changed (the file changed in
// between). False when the byte could not be written or synced, or when
// the length changed after all while it was written.
bool WriteFileKind(std::FILE* updateStream, const KindRead& read);

// Closes the update stream: 0 on success, -1 on failure.
int CloseUpdated(std::FILE* updateStream);
