// FFT products of limb arrays, for the number layers above the engine: 12-digit
// limbs are cut into 4-digit pieces, transformed, multiplied and released back
// into limbs. Every product is exact: those whose size and inputs could round
// wrong are checked against the residues of their operands and, on a mismatch,
// recomputed from smaller pieces before anything is written.
#pragma once

#include <cstdint>

// The largest transform of the run (NFFT), 0 before InitFFT.
long GetNFFT();

// Bytes that InitFFT(n) takes.
double FFTMemory(long n);

// Cuts 12-digit limbs into three balanced 4-digit pieces each (about
// [-5000, 5000]); 3n doubles, lowest piece first.
void SplitLimbs(const double* limbs, long n, double* out);

// A product waiting in a work array for its release. Only the engine makes one;
// it is valid until the next product or transform uses the work arrays.
class FFTProduct {
 public:
  long TransformSize() const { return N_; }

 private:
  friend struct FFTProductAccess;
  const double* Conv_ = nullptr;
  long N_ = 0;
  unsigned long Generation_ = 0;
  bool Checked_ = false;
};

// The spectrum cache: the caller marks, just before a product, that the spectrum
// of that product's first operand is already in the first work array. The mark
// is honoured only when the recorded spectrum is of the same limbs, count and
// transform size, and is consumed by the next SetFirstOperand.
void MarkSpectrumCached();

// The first operand of the products that follow: limbs[0 .. n) at transform size
// N (3n <= N), transformed unless the marked cache holds it.
void SetFirstOperand(const double* limbs, long n, long N);
// The first operand times limbs[0 .. n) (3n <= N); the first operand's own limbs
// and count give its square. Writes no limb array.
FFTProduct MulByFirstOperand(const double* limbs, long n);

struct LimbSpan {
  const double* Limbs = nullptr;
  long n = 0;
};
// r1 = a c + b d, r2 = a e and, when f.n > 0, r3 = b f, all at transform size N
// (N <= NFFT / 2). The three products are made before any is released, so the
// results may share storage with any operand. The first operand is forgotten.
void TwoMulFFT(LimbSpan a, LimbSpan b, LimbSpan c, LimbSpan d, LimbSpan e, LimbSpan f, long N,
               FFTProduct* r1, FFTProduct* r2, FFTProduct* r3);

// The two work arrays lent to products of another kind (the NTT of disk
// numbers), Size doubles each (0 before InitFFT). The spectrum cache and any
// product still waiting for its release are forgotten.
struct FFTWorkArrays {
  double* A = nullptr;
  double* B = nullptr;
  long Size = 0;
};
FFTWorkArrays BorrowFFTWorkArrays();

// Releases a product of m limbs into limbs[0 .. m) in normal form (limb m is
// cleared); returns the carry out of the top limb.
double FFTToBigInt(const FFTProduct& p, double* limbs, long m);
// Adds the coefficients [carryStart, carryEnd) of a product into
// limbs[pos + j / 3] (coefficient j has weight 10^(4 (j mod 3)) in limb j / 3;
// the limb above takes the high part); unnormalised. Coefficients below the
// window are left out, so pos may be negative.
void InverseFFTAndCarry(const FFTProduct& p, long carryStart, long carryEnd, double* limbs,
                        long pos);
