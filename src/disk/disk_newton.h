// Newton operations on disk numbers: the reciprocal square root of a machine
// integer, the reciprocal and the quotient of disk numbers. Each prints its
// progress as a percentage rewritten in place and reports it to the live line.
#pragma once

class BigInt;
class DiskInt;

// x = 1/sqrt(n) to x.NAlloc - 2 limbs (the last one or two carry the
// truncation of the products), held as a fraction: x.Offset = -x.Size.
// 2 <= n <= 10^15. t is the work number, t.NAlloc >= x.NAlloc; the deviation
// and the correction live in its files.
void InvSqrtDiskInt(long n, DiskInt& x, DiskInt& t);

// x = 1/a to x.NAlloc - 2 limbs, a positive; t as for InvSqrtDiskInt.
void InverseDiskInt(const DiskInt& a, DiskInt& x, DiskInt& t);

// q = q / d in place, to q's precision; d (non-zero, of either sign) is used
// up; its capacity bounds the precision too (a shorter d is lengthened with
// zero limbs, then normalised in place). t is a work number of capacity
// >= q.NAlloc + 2 and d.NAlloc + 2; w and
// inv are numbers in memory of capacity >= min(NFFT/3, d.Size). The disk
// buffer must not be lent.
void DivDiskInt(DiskInt& q, DiskInt& d, DiskInt& t, BigInt& w, BigInt& inv);
