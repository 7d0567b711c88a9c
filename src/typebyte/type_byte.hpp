// The one thing the tool knows about a data file: the byte at offset 8 says
// whether it is a master (0x01) or a plugin (0x00). Nothing is printed here;
// the dialogue reports what happened.
#pragma once

#include <optional>
#include <string>

#include "file_handle.hpp"

enum class FileKind { Master, Plugin, Unknown };

// An existing regular file opened for reading; not open on any failure
// (missing, no regular file, no permission, a NUL byte in the path).
FileHandle OpenForReading(const std::string& path);

// Unknown for a file too short to have a type byte; nothing when reading
// failed, which says nothing of its kind. The file stays open: held, it
// keeps the file from being freed, so its inode number or file index cannot
// go to a new file put under its name before OpenForUpdate compares them.
std::optional<FileKind> ReadFileKind(const FileHandle& read);

// The same path reopened for update, never created or truncated; not open
// when that fails, or when it is no longer the file read has: another file,
// or a link to one, put in its place was never looked at.
FileHandle OpenForUpdate(const std::string& path, const FileHandle& read);

// Runs of the tool on one file take turns at writing it, each under a lock
// held until CloseUpdated. Another run's turn is waited for, a few seconds
// in all; false when that ran out, and nothing may be written. A file
// system without such locks gives every run its turn. Then kind is read
// anew and the file judged from it, as if this run had started then:
// another run or program may have switched it since it was read.
bool TakeTurn(const FileHandle& update, FileKind& kind);

// Puts the opposite type byte into a Master or Plugin and makes it durable
// before returning, so that success is only ever reported for a byte on
// disk. Writes nothing when byte 8 no longer holds the value read, or the
// file was cut shorter than 9 bytes. False then, when the byte could not be
// written or synced, or when after the sync byte 8 does not hold it, or the
// write made the file longer (it had been cut short just before), or path
// names another file (the switch went into the file replaced), or none
// while the file written has no link left.
bool WriteFileKind(const FileHandle& update, FileKind kind, const std::string& path);

// Gives up the turn and closes the file: false when closing failed.
bool CloseUpdated(FileHandle& update);
