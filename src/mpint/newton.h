// Newton iterations on BigInts: reciprocal, quotient and reciprocal square root.
// Every step works on truncated products whose result capacity sets the precision;
// the caller owns all the numbers and their storage (nothing is allocated here).
#pragma once

class BigInt;

// x = 1 / a to at least x.NAlloc - 1 correct limbs. t is the scratch: its capacity
// bounds the intermediate products (2 * x.NAlloc + a few limbs is enough), and its
// spare limbs above the used ones hold a further temporary.
void InverseBigInt(const BigInt& a, BigInt& x, BigInt& t);

// a = a / b in place, to a's own precision; b is destroyed (it ends holding the
// remaining deviation from 1). t is the scratch (capacity >= the longer of a and b
// plus a few limbs), v a fresh BigInt used as a view, q a BigInt whose capacity
// holds the reciprocal of b's top limbs (>= min(b.Size, NFFT/3) + 2).
void DivBigInt(BigInt& a, BigInt& b, BigInt& t, BigInt& v, BigInt& q);

// x = 1 / sqrt(m) with Offset = -Size, to x.NAlloc limbs, m a machine integer
// (m >= 1). t is the scratch (capacity >= 2 * x.NAlloc + a few limbs).
void InvSqrtBigInt(long m, BigInt& x, BigInt& t);

// The limbs lo .. hi-1 of m * x^2, as |1 - m * x^2| seen from limb lo of x^2, into t,
// with its sign in s (+1: m x^2 < 1, -1: m x^2 > 1). Does nothing (s unchanged) when
// x has fewer than 200 limbs.
void SqrtResidualBand(const BigInt& x, long lo, long hi, long m, BigInt& t, int& s);
