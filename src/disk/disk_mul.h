// Products of disk numbers. The FFT piece product cuts the first operand into
// pieces of one transform and multiplies each by the whole second operand,
// accumulating into the result's files; above floor(7 NFFT / 3) kept limbs,
// when the run set the NTT up, products of non-negative numbers go to the NTT
// product instead. Every product keeps the top r.NAlloc limbs: the lower ones
// are not formed, so their carries into the kept limbs may be missing (a few
// units of the lowest kept limb). Results are in normal form.
//
// r may share the files of an operand only where no limb of that operand is
// read after r's limbs over it are written (r above the operand's limbs, or a
// first operand of one piece); anything else is a fatal error.
#pragma once

class BigInt;
class DiskInt;
class MPInt;

// r = a b. a and b the same number (or views of the same limbs): a square.
void MulDiskInt(const DiskInt& a, const DiskInt& b, DiskInt& r);
// r = a^2. clear is accepted for the callers that pass it: no limb of r is read
// before the product has written it, so nothing needs zeroing first.
void SquareDiskInt(const DiskInt& a, DiskInt& r, int clear);
// r = a b for a number in memory. A first operand of at most NFFT/3 limbs is
// transformed once (the spectrum cache may hold it: MarkSpectrumCached), and
// r may then be b itself when b.Size <= r.NAlloc.
void MulBigByDiskInt(const BigInt& a, const DiskInt& b, DiskInt& r);
// The FFT piece product, whatever the sizes.
void MulDiskIntByFFT(const DiskInt& a, const DiskInt& b, DiskInt& r, int clear);
// r = a^2 modulo B^n (a's limbs as an integer; r.Offset = 2 a.Offset) by the
// FFT piece product: only the pieces that reach the n lowest limbs, about half
// of the square when n is half its length. Exact; with r.NAlloc below n, r
// keeps the top r.NAlloc of those limbs.
void SquareDiskIntModulo(const DiskInt& a, DiskInt& r, long n);
// r = a b where r shares the files of an operand (a product written over it):
// through the NTT when MulDiskInt would take it (the NTT reads both operands
// whole before it writes r), else by the piece product into `scratch`, which
// must hold the kept limbs, then copied into r. The NTT reuse flags set before
// are honoured as by MulDiskInt.
void MulDiskIntOver(DiskInt& a, DiskInt& b, DiskInt& r, DiskInt& scratch);
// Whether MulDiskInt would take the NTT product for a product keeping `kept` limbs.
bool ByNTT(const DiskInt& a, const DiskInt& b, long kept);
