// Products of BigInts. Every product keeps the top r.NAlloc limbs of the exact
// product and raises r.Offset by the limbs it drops.
#pragma once

class BigInt;
class SmallInt;

// r may be either operand (its capacity must then hold the product it keeps).
// special: a scratch number of at least the long operand's length that the
// unbalanced products may use to send its last limbs through schoolbook (null:
// none); it is used for this call only.
void MulBigInt(const BigInt& a, const BigInt& b, BigInt& r, BigInt* special = nullptr);
void SquareBigInt(const BigInt& a, BigInt& r);
// a the shorter operand (3 * a.Size <= NFFT), b of any length.
void MulUnbalanced(const BigInt& a, const BigInt& b, BigInt& r, BigInt* special = nullptr);
// a * b by blocks of b with a's spectrum computed once; m = 0: r owned here,
// m >= 1: the caller owns r and m limbs of it are open.
void SpecialMul(const BigInt& a, const BigInt& b, BigInt& r, long m);
// Adds a * (b's limbs 0 .. t-1) into r, top-aligned with a * b, r keeping L limbs.
// bHalves: b's limbs cut into 6-digit halves (hi, lo pairs), or null.
void MulSchoolbookTail(const BigInt& a, const BigInt& b, long t, BigInt& r, long L,
                       const double* bHalves);
// The truncated products: only the top r.NAlloc limbs are wanted.
void MulTruncated(const BigInt& a, const BigInt& b, BigInt& r);
void MulTruncatedBlocks(const BigInt& a, const BigInt& b, BigInt& r);
void SquareTruncated(const BigInt& a, BigInt& r);

// r = a * b for a SmallInt b of at most 1000 limbs (schoolbook); r must not be a.
void SmallIntMul(const BigInt& a, const SmallInt& b, BigInt& r);
void SmallIntToBigInt(const SmallInt& s, BigInt& r);
