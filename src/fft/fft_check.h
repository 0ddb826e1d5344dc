// Inside the FFT products: residues modulo the check prime, the pieces of
// limbs, the check of a convolution and its exact recomputation.
#pragma once

#include <cstdint>

#include "fft/fft_product.h"

// Adding and removing 1.5 x 2^52 rounds to the nearest integer for |y| < 2^51;
// the bits of the sum minus those of the constant are that integer.
constexpr double kRound = 6755399441055744.0;
inline double Round(double y) { return (y + kRound) - kRound; }

// Values are checked modulo the Mersenne prime 2^61 - 1: a wrong coefficient
// changes the value of the product by a nonzero integer that a prime this large
// divides with negligible chance, and reductions are shifts and adds.
constexpr uint64_t kCheckPrime = (uint64_t{1} << 61) - 1;
uint64_t MulMod(uint64_t a, uint64_t b);
inline uint64_t AddMod(uint64_t a, uint64_t b) {
  const uint64_t s = a + b;
  return s >= kCheckPrime ? s - kCheckPrime : s;
}

// SplitLimbs, also giving the sum of the squares of the pieces and, when asked,
// the value of the limbs modulo the prime (the pieces evaluated at 10^4).
struct PieceStats {
  bool HasResidue = false;
  uint64_t Residue = 0;
  double Norm2 = 0;
};
PieceStats SplitLimbsChecked(const double* limbs, long n, double* out, bool residue);
// Pieces [from, from + count) of SplitLimbs(limbs, n, .), zero above 3n.
void SplitLimbRange(const double* limbs, long n, long from, long count, double* out);

// Rounds conv[0 .. count) times scale; returns the value of the rounded
// coefficients at 10^4 modulo the prime. *worst takes the largest distance of a
// value from its integer.
uint64_t ConvolutionResidue(const double* conv, long count, double scale, double* worst);

// An operand of a recomputation: its pieces, stored or cut from limbs on demand.
struct PieceSource {
  const double* Pieces = nullptr;  // count pieces, or null
  const double* Limbs = nullptr;   // otherwise n limbs
  long n = 0;
  long count = 0;  // number of pieces
};
struct ProductTerm {
  PieceSource x, y;
};
// conv[0 .. 2N) becomes the exact convolution of the sum of the terms' products,
// scaled as the inverse transform leaves it, computed from squares of 2-digit
// pieces at transform size M in work[0 .. 2M) (M <= N).
void ExactConvolution(double* conv, long N, const ProductTerm* terms, int count, double* work,
                      long M);

struct FFTProductAccess {
  static FFTProduct Make(const double* conv, long N, bool checked);
  // The convolution of a product still valid (a stale one is a fatal error).
  static const double* Conv(const FFTProduct& p, bool* checked);
};
