// Plain file access that differs between platforms, kept to what the type
// byte switch needs. Each platform has its own source file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "file_identity.hpp"

enum class FileAccess { Read, Update };

// Opens an existing regular file as a binary stream without creating or
// truncating it. Anything that is not a regular file (a directory, a FIFO,
// a device) is refused without blocking; nullptr on any failure.
std::FILE* OpenRegularFile(const std::string& path, FileAccess access);

// Which file the stream has open; false when the system cannot say.
bool IdentifyFile(std::FILE* stream, FileIdentity& identity);

// The file's length in bytes now, as the system has it; false when the
// system cannot say.
bool FileLength(std::FILE* stream, std::int64_t& length);

// Positions the stream at an absolute offset, with 64-bit offsets.
bool SeekTo(std::FILE* stream, std::int64_t offset);

// Writes one byte at an absolute offset straight to the file, past the
// stream's buffer: a write that fails leaves nothing behind that closing the
// stream could still write after the failure was reported.
bool WriteByteAt(std::FILE* stream, std::int64_t offset, unsigned char byte);

// Makes the bytes written to the file durable. A file system that
// cannot sync counts as success: the byte was written all the same.
bool SyncToDisk(std::FILE* stream);
