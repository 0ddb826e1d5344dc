// The floating-point FFT engine: a real transform of N doubles (read as the
// first half of a zero-padded sequence of 2N), the pointwise product of two
// spectra, and the inverse, whose output is released into limbs.
//
// Layout: the 2N real values are packed as N complex points and transformed by
// a complex FFT of length N, cut into n1 x n2 (n1 columns of stride n2, rows of
// n2 contiguous points). A spectrum holds 2N doubles in a fixed internal order
// (rows and columns in bit-reversed order); only FFTPointwiseMul and the inverse
// read it. Spectra are linear: two of the same size may be added element-wise.
#pragma once

#include <cstdint>

struct FFTContext {
  bool FFTInitDone = false;
  long NFFT = 0;      // largest transform (real inputs), also called Nmax
  long NFFTSqrt = 0;  // smallest power of two p >= 4 with p * p >= NFFT
  long NFFTRows = 0;  // NFFT / NFFTSqrt
  long KMax = 0;      // longest inner transform (row length of NFFT)

  // Radix-4 twiddles of the inner transforms: for each length L = 2^l
  // (4 <= L <= KMax) L/4 sextuples (cos t, sin t, cos 2t, sin 2t, cos 3t, sin 3t), t = 2 pi j / L.
  double* Twiddle4[32] = {};
  // exp(-2 pi i t / (2 NFFT)) = TwHi[t >> TwBits] x TwLo[t & mask], as (cos, -sin) pairs.
  double* TwLo = nullptr;
  double* TwHi = nullptr;
  int TwBits = 0;
  // exp(-pi i rev(p) / KMax) for p < KMax (rev over KMax): the per-column factor
  // of the real-spectrum pass for every row length.
  double* PairTable = nullptr;
  // Row twiddles of the transforms of up to 2^16 points, by log2 of the size.
  double* RowTwiddles[32] = {};
  // Gather buffers of the column and row passes.
  double* ColumnBuffer = nullptr;
  double* RowBuffer = nullptr;

  // The two operand spectra, 2 (NFFT + NFFTSqrt) doubles each.
  double* FFTBufA = nullptr;
  double* FFTBufB = nullptr;

  // Spectrum cache: FFTBufA holds the spectrum of CachedLimbs at size nFFT0AlreadyComputed;
  // reused only when FFT0AlreadyComputed was set by the caller just before the product.
  int FFT0AlreadyComputed = 0;
  long nFFT0AlreadyComputed = 0;
  const double* CachedLimbs = nullptr;

  // The coefficients [CarryStart, CarryEnd) that the release writes.
  long CarryStart = 0;
  long CarryEnd = 0;

  // Largest distance of a released value from its rounded integer since the
  // last ResetRoundingError (the rounding headroom).
  double MaxRoundingError = 0;
  // A released product farther than this from integers is a fatal error
  // (a measurement may lift it).
  double RoundingLimit = 0.35;
};

// The process-wide FFT state.
FFTContext& FFT();

// Sets up tables and buffers for transforms of up to n real inputs; once per process.
void InitFFT(long n);
// The split of a transform of N real inputs (N complex points): n1 columns
// (the column length) by n2 (the row length), n1 * n2 = N.
void SplitFFTSize(long N, long* n1, long* n2);

// Forward transform in place: data[0 .. N) holds the real inputs, the upper
// half of the padded sequence is taken as zero without being read; on return
// data[0 .. 2N) holds the spectrum.
void RealFFT(double* data, long N);
// c = a x b as spectra of the convolution (c may be a or b).
void FFTPointwiseMul(const double* a, const double* b, double* c, long N);
// Inverse in place: data[0 .. 2N) becomes the 2N convolution values times
// FFTScale(N)^-1.
void InverseRealFFT(double* data, long N);
inline double FFTScale(long N) { return 0.125 / static_cast<double>(N); }

// Rounds the convolution values conv[j] x scale for j in [cs, ce) and adds
// coefficient j (weight 10^(4 (j mod 3)) of limb j / 3) into limbs[pos + j / 3]
// (and the limb above for the high part). Limbs are left unnormalised.
void ReleaseCoefficients(const double* conv, long cs, long ce, double scale, double* limbs,
                         long pos);
// Inverse of a product of m limbs released into limbs[0 .. m) in normal form
// (limb m cleared); returns the carry out of the top limb.
double InverseFFTAndNormalise(double* limbs, long m, double* spectrum, long N);
// Inverse and release over [CarryStart, CarryEnd) into limbs[pos + j / 3].
void InverseFFTAndCarry(double* limbs, long pos, double* spectrum, long N);

void ResetRoundingError();
double GetRoundingError();
