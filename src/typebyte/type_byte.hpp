// The one thing the tool knows about a data file: the byte at offset 8 says
// whether it is a master (0x01) or a plugin (0x00). Nothing is printed here;
// the dialogue reports what happened.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "file_identity.hpp"

enum class FileKind { Master, Plugin, Unknown };

// An existing regular file opened for binary reading, or nullptr for any
// failure at all (missing, a directory, a device, a FIFO, no permission, a
// path holding a NUL byte).
std::FILE* OpenForReading(const std::string& path);

// Reads the type byte, closes the stream and classifies the byte. A file too
// short to have one is Unknown; no kind at all when reading it failed (an
// I/O error), which says nothing of the file's kind.
std::optional<FileKind> ReadFileKind(std::FILE* readStream);

// Which file the stream has open; empty when the system cannot say.
std::optional<FileIdentity> IdentityOf(std::FILE* stream);

// The same path reopened for binary update, positioned at the type byte;
// never created or truncated. nullptr when it cannot be opened, or when it
// no longer names the file that was read (wasRead): another file, or a link
// to one, put in its place in between was never looked at.
std::FILE* OpenForUpdate(const std::string& path, const std::optional<FileIdentity>& wasRead);

// Puts the opposite type byte into the file and makes it durable before
// returning, so that success is only ever reported for a byte on disk.
// Writes nothing for Unknown, nor when the byte no longer holds the value
// that was classified (the file changed in between). False when the byte
// could not be written or synced.
bool WriteFileKind(std::FILE* updateStream, FileKind kind);

// Closes the update stream: 0 on success, -1 on failure.
int CloseUpdated(std::FILE* updateStream);
