// Arithmetic of disk numbers: streaming passes over runs of limbs. Results are
// in normal form. The products of two disk numbers are in disk/disk_mul.h.
#pragma once

class DiskInt;
class MPInt;

// r = a + b, aligned by exponent: the limbs of either operand below the higher
// Offset are dropped. r may be a or b.
void AddDiskInt(const DiskInt& a, const DiskInt& b, DiskInt& r);
// r = a - b, aligned as AddDiskInt; a negative result is in complement form.
// r may be a or b.
void SubstractDiskInt(const DiskInt& a, const DiskInt& b, DiskInt& r);
// r = a * m for a whole m, -3000 <= m <= 10^15; a of any kind. r may be a.
void ShortMulDiskInt(const MPInt& a, double m, DiskInt& r);
// r = a / m truncated, 1 <= m <= 9007 a whole number (m 10^12 < 2^53); r takes
// a's Offset. r may be a.
void ShortDivDiskInt(const DiskInt& a, double m, DiskInt& r);
// a = a B^k + m b (B = 10^12, |m| <= 3000), then read as a fraction:
// a.Offset = -(a.Size + k). Works in the disk buffer, which must not be lent.
void ShiftAndAdd(DiskInt& a, long k, const DiskInt& b, double m);

