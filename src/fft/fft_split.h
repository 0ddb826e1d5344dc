// The limb-level steps of an FFT product, for the product kinds built on them
// (block products, truncated products, disk products).
#pragma once

// Cuts 12-digit limbs into three balanced 4-digit pieces each (about
// [-5000, 5000]); 3n doubles, lowest piece first.
void SplitLimbs(const double* limbs, long n, double* out);
// Pieces of limbs[0 .. n) into out[0 .. N), then the forward transform
// (out takes 2N doubles).
void BigIntToFFT(const double* limbs, long n, double* out, long N);
// Inverse of a product spectrum released into limbs[0 .. m) (zeroed first,
// limb m is used as a spare and cleared); unnormalised.
void FFTToBigInt(double* limbs, long m, double* spectrum, long N);

// The spectrum cache: valid when marked, of size N and of these limbs.
bool SpectrumCached(const double* limbs, long N);
// FFTBufA now holds the spectrum of limbs at size N; the mark is cleared.
void RecordSpectrum(const double* limbs, long N);
