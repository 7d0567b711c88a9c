// Plain file access that differs between platforms, kept to what the type
// byte switch needs. Each platform has its own source file.
#pragma once

#include <cstdint>
#include <string>

#include "file_handle.hpp"
#include "file_identity.hpp"

enum class FileAccess { Read, Update };

// Opens an existing regular file for binary access without creating or
// truncating it. Anything that is not a regular file (a directory, a FIFO,
// a device) is refused without blocking; not open on any failure.
FileHandle OpenRegularFile(const std::string& path, FileAccess access);

// Which file is open; false when the system cannot say.
bool IdentifyFile(const FileHandle& file, FileIdentity& identity);

// The file's length in bytes now; false when the system cannot say.
bool FileLength(const FileHandle& file, std::int64_t& length);

// Reads one byte at an absolute offset, kPastEnd where the file ends before
// it; false when it cannot be read.
constexpr int kPastEnd = -1;
bool ReadByteAt(const FileHandle& file, std::int64_t offset, int& byte);

bool WriteByteAt(const FileHandle& file, std::int64_t offset, unsigned char byte);

// Makes the bytes written to the file durable. A file system that
// cannot sync counts as success: the byte was written all the same.
bool SyncToDisk(const FileHandle& file);

// Which file the path names now, through any links; false when it names
// none, or the system cannot say.
bool IdentifyPath(const std::string& path, FileIdentity& identity);

// Whether the open file still has a name in some folder; false when it was
// deleted, or the system cannot say.
bool HasLink(const FileHandle& file);

enum class ByteLock { Taken, Busy, Unavailable };

// An exclusive advisory lock on one byte of the file, held through this
// handle alone and let go when it is closed, if not before; Busy when
// another holds it, Unavailable when the file system takes no such lock.
// Never waits. On Windows such locks bar other programs' reads and writes
// of that byte.
ByteLock LockByte(const FileHandle& file, std::int64_t offset);
void UnlockByte(const FileHandle& file, std::int64_t offset);

enum class NewName { Made, Exists, Failed };

// Copies the open file, which is the file about to be written whatever its
// name names by now, into a new file at copyPath, with its permissions,
// synced before this returns. A name that exists in any form (a file, a
// link, a folder) is left as it is (Exists); a copy that cannot be finished
// or synced is removed again (Failed).
NewName CopyToNewFile(const FileHandle& file, const std::string& copyPath);

// Gives the file at from the name to, never replacing what has that name
// (Exists). Where the system cannot rename without replacing, a hard link
// and an unlink; where neither can be done, Failed, and nothing renamed.
NewName RenameWithoutReplacing(const std::string& from, const std::string& to);
