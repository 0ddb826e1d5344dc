// Newton iterations on BigInts: reciprocal, quotient and reciprocal square root.
// Every step works on truncated products whose result capacity sets the precision;
// the caller owns all the numbers and their storage (nothing is allocated here).
#pragma once

class BigInt;

// x = 1 / a to at least x.NAlloc - 1 correct limbs. t is the scratch: its capacity
// bounds the intermediate products (2 * x.NAlloc + a few limbs is enough), and its
// spare limbs above the used ones hold a further temporary.
void InverseBigInt(const BigInt& a, BigInt& x, BigInt& t);

// a = a / b in place, to a's own precision (a positive b that carries at least as
// many limbs as the precision wanted); b is destroyed (it ends holding what is
// left of its deviation from 1). t is the scratch (capacity >= a.NAlloc and
// >= 2 * min(b.Size, NFFT/3) + a few limbs). q holds the reciprocal of b's top
// limbs (capacity >= min(b.Size, NFFT/3), at least 2). v is left untouched: the
// views of b are local.
void DivBigInt(BigInt& a, BigInt& b, BigInt& t, BigInt& v, BigInt& q);

// x = 1 / sqrt(m) with Offset = -Size, to x.NAlloc limbs, m a machine integer
// (m >= 1). t is the scratch (capacity >= 2 * x.NAlloc + a few limbs).
void InvSqrtBigInt(long m, BigInt& x, BigInt& t);

// The limbs lo .. hi-1 of m * x^2, as |1 - m * x^2| seen from limb lo of x^2, into t,
// with its sign in s (+1: m x^2 < 1, -1: m x^2 > 1). Does nothing (s unchanged) when
// x has fewer than 200 limbs.
void SqrtResidualBand(const BigInt& x, long lo, long hi, long m, BigInt& t, int& s);
