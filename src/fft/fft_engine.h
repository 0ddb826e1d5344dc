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

// What a work array holds: the spectrum of limbs[0 .. n) at transform size N,
// with the squared norm of the pieces and (large sizes) the value of those
// limbs modulo the check prime, both taken when the limbs were cut.
struct SpectrumRecord {
  const double* Limbs = nullptr;
  long n = 0;
  long N = 0;  // 0: nothing recorded
  bool HasResidue = false;
  uint64_t Residue = 0;
  double Norm2 = 0;
};

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
  // Gather buffers of the column and row passes (one storage).
  double* ColumnBuffer = nullptr;
  double* RowBuffer = nullptr;

  // The two work arrays, 2 (NFFT + NFFTSqrt) doubles each: operand spectra, then
  // the convolutions that the products release.
  double* FFTBufA = nullptr;
  double* FFTBufB = nullptr;

  // Spectrum cache: FFTBufA holds the spectrum of First (the first operand of the
  // products that follow); a later product reuses it only when the caller set
  // FFT0AlreadyComputed just before and its operand is the same limbs, count and
  // size.
  int FFT0AlreadyComputed = 0;
  SpectrumRecord First;
  // Changes whenever a work array is written: a product waiting for its release
  // is refused once another has used the arrays.
  unsigned long Generation = 0;

  // Products whose rounding is not proven by their size and inputs are checked
  // against the residues of their operands: those above 2^22 points, and those
  // whose load (log2 N times the product of the norms of the operands' pieces)
  // is above CheckLoad. The limit is the load of two full operands of balanced
  // pieces (|piece| <= 5001) at 2^22 points, whose worst case rounds at most
  // 0.11 from the integer. Tests lower it.
  double CheckLoad = 22.0 * 4194304.0 * 5001.0 * 5001.0;
  // Products recomputed from smaller pieces (a failed check, or limbs so far out
  // of range that their product could not be checked).
  long Recoveries = 0;
  // Tests only: every convolution value at index TestFaultIndex is moved by
  // TestFaultShift before it is checked or released (a rounding fault on demand).
  long TestFaultIndex = -1;
  double TestFaultShift = 0;

  // Largest distance of a released value from its rounded integer since the
  // last ResetRoundingError (the rounding headroom).
  double MaxRoundingError = 0;
  // An unchecked product farther than this from integers is a fatal error
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

void ResetRoundingError();
double GetRoundingError();
