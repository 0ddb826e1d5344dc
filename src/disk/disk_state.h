// The process-wide state of the disk numbers: the shared buffers, the byte
// counters, the live names and the test hooks of the file layer.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class DiskInt;

// Limbs per file of a number: every byte offset in a file stays below 2^31,
// as the files of stored results were written.
constexpr int64_t kPartLimbs = 250000000;
// Part indexes are two decimal digits.
constexpr int kMaxParts = 100;

struct DiskState {
  // The disk buffer: the work area of the products (2 floor(n/3) usable doubles).
  double* Buffer = nullptr;
  double* BufferRaw = nullptr;
  long BufferAlloc = 0;  // doubles obtained from AllocDoubles
  long BufferSize = 0;   // usable doubles
  // The streaming buffer lent by a driver (a DiskBufferLoan); empty by default.
  double* Lent = nullptr;
  long LentSize = 0;
  // Bytes moved by ReadBuffer and WriteBuffer.
  double BytesRead = 0;
  double BytesWritten = 0;
  // Names of the live owning numbers: two of them never share files.
  std::map<std::string, const DiskInt*> LiveNames;

  // Test hooks. PartLimbs: a small part size makes a number cross files while
  // it stays small. WriteBudget >= 0: writes fail once that many more bytes
  // have been written, as on a full disk.
  int64_t PartLimbs = kPartLimbs;
  int64_t WriteBudget = -1;
};

DiskState& Disk();
