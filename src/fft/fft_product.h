// Products of limb arrays through the floating-point FFT: 12-digit limbs cut
// into balanced 4-digit pieces, transformed, multiplied, released into limbs.
#pragma once

class BigInt;

// Sets up the FFT context for transforms of up to n points (once per run) and
// the shared scratch BigInt of n/3 limbs.
void InitBigIntFFT(long n);
// The largest transform of the run (NFFT), 0 before InitBigIntFFT.
long GetNFFT();

// Bytes that InitFFT(n) takes, and with the shared scratch number.
double FFTMemory(long n);
double FFTNeededMemory(long n);

// r = a * b (each at most twice the other, 3 * max size <= NFFT).
void FFTMul(const BigInt& a, const BigInt& b, BigInt& r);
// r = a^2; falls back to the unbalanced product when 2 * a.Size > r.NAlloc.
void FFTSquare(const BigInt& a, BigInt& r);
// r1 = a*c + b*d, r2 = a*e, and r3 = b*f when f is given, with one transform size.
void TwoMulBigInt(const BigInt& a, const BigInt& b, const BigInt& c, const BigInt& d,
                  const BigInt& e, const BigInt* f, BigInt& r1, BigInt& r2, BigInt* r3);

// The spectrum cache: the caller marks, just before a product, that the spectrum
// of that product's first operand is already in the first work array.
void MarkSpectrumCached();
// The special operand that unbalanced products may use as scratch (null: none).
void SetSpecialOperand(BigInt* operand);
BigInt* GetSpecialOperand();
// The shared scratch number of NFFT/3 limbs.
BigInt& ScratchBigInt();
