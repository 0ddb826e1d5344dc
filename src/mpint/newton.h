// Newton iterations on BigInts: reciprocal, quotient and reciprocal square root.
// Every step works on truncated products whose result capacity sets the precision;
// the caller owns all the numbers and their storage (nothing is allocated here).
#pragma once

class BigInt;

// x = 1 / a to x.NAlloc - 1 limbs or more, all right but the lowest, which
// carries the truncation of the last product. a must be positive. t is the
// scratch (capacity >= x.NAlloc + 2): its capacity bounds the intermediate
// products, and its spare limbs above the used ones hold a further temporary.
void InverseBigInt(const BigInt& a, BigInt& x, BigInt& t);

// a = a / b in place, to a's own precision; b (non-zero, of either sign) must
// carry at least as many limbs as the precision wanted, and is destroyed (it
// ends holding what is left of its deviation from 1). t is the scratch
// (capacity >= a.NAlloc, >= b.NAlloc and >= 2 * min(b.Size, NFFT/3) + a few
// limbs); it also serves as the special operand of the unbalanced products.
// q holds the reciprocal of b's top limbs (ideally min(b.Size, NFFT/3) limbs;
// a shorter one only costs more correction passes).
void DivBigInt(BigInt& a, BigInt& b, BigInt& t, BigInt& q);

// x = 1 / sqrt(m) with Offset = -Size, to x.NAlloc limbs (the lowest two may
// carry the truncation of the last products), 2 <= m <= 10^15. t is the
// scratch (capacity >= x.NAlloc + 1); a short last step takes the band residual
// when t has room for its work arrays (about a thousand limbs), else a full step.
void InvSqrtBigInt(long m, BigInt& x, BigInt& t);

// The limbs lo .. hi-1 of m * x^2, as |1 - m * x^2| seen from limb lo of x^2, into t,
// with its sign in s (+1: m x^2 < 1, -1: m x^2 > 1). Does nothing (s unchanged) when
// x has fewer than 200 limbs.
void SqrtResidualBand(const BigInt& x, long lo, long hi, long m, BigInt& t, int& s);
