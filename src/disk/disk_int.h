// Numbers whose limbs live in files: the same 12-digit limbs, Size, Offset and
// normal form as BigInt, read and written in runs. A number named X lives in
// the files, ... of kPartLimbs limbs each; limb i is at position
// i + FileBase of that sequence.
//
// Ownership: a DiskInt owns its files (its Free removes them) and cannot be
// copied; two live owners never share a name. A DiskIntView borrows the files
// of a number from some limb upward and never removes them. Destroying an owner
// leaves its files on disk, so that a saved or handed-over number survives.
#pragma once

#include <cstdint>

#include "mpint/mpint.h"

class BigInt;

static_assert(sizeof(long) >= 8, "limb positions and counts need 64 bits");

// Room for a base name of at most 19 characters.
constexpr int kDiskNameSize = 20;

class DiskInt : public MPInt {
 public:
  long NAlloc = 0;    // capacity in limbs: the precision a result keeps
  long Offset = 0;    // exponent of the lowest limb, in limbs
  long FileBase = 0;  // position of limb 0 in the files
  char FileName[kDiskNameSize] = {};
  int Packed = 0;  // the files hold three limbs in four 32-bit words (read only)

  DiskInt() = default;
  // The files stay on disk; the name is free again.
  ~DiskInt() override;
  DiskInt(const DiskInt&) = delete;
  DiskInt& operator=(const DiskInt&) = delete;
  // Hand-over: takes the description, the files and the name; `from` is left
  // without a name, so that nothing it does touches the files any more.
  DiskInt(DiskInt&& from) noexcept;
  DiskInt& operator=(DiskInt&&) = delete;

  // Names the number (a name that fits the files and no live number has) and
  // sets capacity n + 1, Offset 0, Size 0, FileBase 0; returns n + 1. No file is made.
  long Init(const char* name, long n);
  // Removes every part file of the name. The description stays (a product may
  // write the number again).
  void Free() override;
  int GetType() const override { return 3; }
  void WriteToBuffer(double* dst, long count, long start) const override;
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return Offset; }

  // Moves limb 0 to file position base without moving data: the limbs below it
  // are dropped (Size shrinks, never below 0) and Offset rises by as much.
  void SetFileBase(long base);

 protected:
  struct BorrowTag {};
  // A copy of the description that borrows the files.
  DiskInt(const DiskInt& d, BorrowTag);

 private:
  bool Borrowed = false;
};

// Names d as Init does for a computation that starts afresh: a part file of
// that name that exists already is not this run's (a user's file, or one left
// by a run that was killed), and the run, which would write over it and then
// remove it, ends with a message naming it.
void InitNewDiskInt(DiskInt& d, const char* name, long n);
// InitNewDiskInt, and the part files are this run's scratch files, removed at
// any exit.
void InitScratchDiskInt(DiskInt& d, const char* name, long n);

// The limbs of d from limb k upward, in d's files: Size, NAlloc lowered by k
// (not below 0), Offset and FileBase raised by k. Writing through a view writes
// d's files above its first k limbs; Free does nothing.
class DiskIntView : public DiskInt {
 public:
  DiskIntView(const DiskInt& d, long k);
  DiskIntView(const DiskIntView& v) : DiskInt(v, BorrowTag{}) {}
  void Free() override {}
};

// Lowers (or raises) a number's capacity for one operation and restores it.
class DiskCapacityScope {
 public:
  DiskCapacityScope(DiskInt& d, long nAlloc) : D(d), Saved(d.NAlloc) { d.NAlloc = nAlloc; }
  ~DiskCapacityScope() { D.NAlloc = Saved; }
  DiskCapacityScope(const DiskCapacityScope&) = delete;
  DiskCapacityScope& operator=(const DiskCapacityScope&) = delete;

 private:
  DiskInt& D;
  long Saved;
};

// Limbs start .. start+count-1 of d into buf (one transfer per part file).
void ReadLimbs(const DiskInt& d, double* buf, long count, long start);
// buf into limbs start .. start+count-1 of d; Size is left to the caller.
void WriteLimbs(const double* buf, DiskInt& d, long count, long start);
// As WriteLimbs; a negative start skips the first -start values of buf.
void WriteLimbsClipped(const double* buf, DiskInt& d, long count, long start);

// Three limbs a + b 10^12 + c 10^24 as four base-10^9 words, lowest first.
void PackLimbs(double a, double b, double c, uint32_t w[4]);
void UnpackLimbs(const uint32_t w[4], double limbs[3]);

// Maintenance passes, streamed in runs.
// Carry release over the Size limbs, then the normal form; a carry beyond
// NAlloc is a fatal error.
void UpdateDiskInt(DiskInt& d);
// Leading zero limbs trimmed, a leading -1 folded over the 999999999999 under it.
void UpdateDiskIntSize(DiskInt& d);
// Limbs 0 .. n-1 set to zero.
void ZeroLimbs(DiskInt& d, long n);
// r takes a's Size, Offset and limbs (a of any kind).
void CopyToDiskInt(const MPInt& a, DiskInt& r);
void CopyToDiskInt(const BigInt& a, DiskInt& r);
// Every limb in [0, 10^12], or the fatal error "Check DiskInt KO".
void CheckDiskInt(const DiskInt& d);
