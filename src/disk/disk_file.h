// The file layer of the disk numbers: runs of doubles moved to and from the part
// files, with 64-bit positions, byte and time accounting, and every failure a
// fatal error naming the file.
#pragma once

#include <cstdint>

// Writes count doubles at double position start of the file, creating it when
// it does not exist; an existing file is overwritten in place, never truncated.
void WriteBuffer(const char* fileName, const double* buf, int64_t start, int64_t count);
// Reads count doubles from double position start; a missing file or fewer bytes
// than asked is a fatal error.
void ReadBuffer(const char* fileName, double* buf, int64_t start, int64_t count);
// Removes the file if it exists; a file that stays is a fatal error.
void RemoveFileIfPresent(const char* fileName);

// The name of part `part` of the number `base`: base, '-' and two digits.
constexpr int kPartNameSize = 32;
void PartFileName(const char* base, int part, char* name);
