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

// Reads and classifies the type byte. A file too short to have one is
// Unknown; nothing at all when reading failed (an I/O error), which says
// nothing of the file's kind. The stream stays open: held, it keeps the
// file from being freed, so its inode number or file index cannot go to a
// new file put under its name before OpenForUpdate has compared the two.
std::optional<FileKind> ReadFileKind(std::FILE* readStream);

// The same path reopened for binary update, positioned at the type byte;
// never created or truncated. nullptr when it cannot be opened, or when it
// is no longer the file that readStream, still open, has: another file, or
// a link to one, put in its place in between was never looked at.
std::FILE* OpenForUpdate(const std::string& path, std::FILE* readStream);

// Closes a read stream, through which nothing was written.
void CloseRead(std::FILE* readStream);

// Runs of the tool on one file take turns at writing it. This takes the
// update stream's turn, an exclusive advisory lock on one byte far past
// any data, which no program's reads or writes meet; taken once the read
// is closed and held until CloseUpdated, so never during a key wait.
// Another run that holds it is waited for, a few seconds in all. Whether
// it waited or not, kind is then read anew under the turn, and the file is
// to be judged from it, as if this run had started then: another run or
// program may have switched it since it was read. False when the wait ran
// out: nothing may be written. A lock error other than "busy" is taken as
// a file system that takes no such lock, and is no failure.
bool TakeTurn(std::FILE* updateStream, FileKind& kind);

// Puts the opposite type byte into a Master or Plugin and makes it durable
// before returning, so that success is only ever reported for a byte on
// disk. Writes nothing when the byte no longer holds the value that was
// read, or the file has been cut shorter than 9 bytes; a file that grew is
// written. False then, when the byte could not be written or synced, or
// when after the sync
// - byte 8 does not hold the value written;
// - the write made the file longer: it had been cut short just before, and
//   now ends with the byte written;
// - path names another file: one was put in its place, and the switch went
//   into the file replaced;
// - path names no file, or cannot be looked up, and the file written has no
//   link left: it was deleted. Renamed or moved, it is converted.
// A length changed by another program is its own business.
bool WriteFileKind(std::FILE* updateStream, FileKind kind, const std::string& path);

// Gives up the stream's turn and closes it: 0 on success, -1 on failure.
int CloseUpdated(std::FILE* updateStream);
