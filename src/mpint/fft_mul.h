// BigInt products through one transform, and the shared scratch BigInt of
// NFFT/3 limbs.
#pragma once

class BigInt;

// Sets up the FFT context for transforms of up to n points (once per run) and
// the shared scratch BigInt of n/3 limbs.
void InitBigIntFFT(long n);
// Bytes that InitBigIntFFT(n) takes.
double FFTNeededMemory(long n);

// r = a * b (each at most twice the other, 3 * max size <= NFFT).
void FFTMul(const BigInt& a, const BigInt& b, BigInt& r);
// r = a^2; falls back to the unbalanced product when 2 * a.Size > r.NAlloc.
void FFTSquare(const BigInt& a, BigInt& r);
// r1 = a*c + b*d, r2 = a*e, and r3 = b*f when f is given, with one transform size.
void TwoMulBigInt(const BigInt& a, const BigInt& b, const BigInt& c, const BigInt& d,
                  const BigInt& e, const BigInt* f, BigInt& r1, BigInt& r2, BigInt* r3);

// The shared scratch number of NFFT/3 limbs.
BigInt& ScratchBigInt();
