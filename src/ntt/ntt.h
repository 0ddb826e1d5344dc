// Number-theoretic transforms modulo the special primes p = c^2 + 1: the prime
// set of a run, the selected prime with its root table, and the transforms.
//
// A transform of n residues (a power of two up to NNTTMax) is done by the
// four-step method on an nr x nc matrix (element (r, j) at data[r nc + j]) whose
// rows and columns are at most NNTTSqrt long; the forward output is transposed:
// position k1 nc + k2 holds X[k1 + nr k2]. Pointwise products do not care, and
// the inverse reads that order and returns natural order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "ntt/modular.h"

// The special primes of a run, in the order found (decreasing c). Prime k is
// the k-th modulus of every CRT product.
struct PrimeTable {
  long NbPrimes = 0;
  double* P = nullptr;
  double* C = nullptr;
  double* InvC = nullptr;
  double* Root = nullptr;  // of multiplicative order 2^PrimeExponent, Root^(2^(E-2)) = c
};

struct NTTContext {
  bool Initialised = false;
  long NNTTMax = 0;       // largest transform, a power of two >= 4
  int PrimeExponent = 0;  // log2 NNTTMax
  long NNTTSqrt = 0;  // smallest power of two >= 4 with a square >= NNTTMax (2 when NNTTMax = 4)
  PrimeTable Primes;

  PrimeContext Prime;       // the current prime
  long SelectedPrime = -1;  // the table index that RootTable was built for, -1 when none
  // Roots of unity split in base c: for each L = NNTTSqrt, ..., 2, entry L + j
  // (j < L) is w_L^j, its lo part at RootTable[L + j] and its hi part at
  // RootTable[2 NNTTSqrt + L + j]. w_L^-j is entry 2L - j.
  double* RootTable = nullptr;

  // Scratch of the transforms: the bit reversal over log2 NNTTSqrt bits and
  // two buffers of 8 NNTTSqrt doubles (eight rows or columns side by side).
  std::vector<int32_t> BitReverse;
  double* BufA = nullptr;
  double* BufB = nullptr;

  // Reuse state of the disk products; meaningless under a new prime set.
  // The caller sets KeepNTT0 before a product whose first operand will be
  // multiplied again, and NTT0AlreadyComputed before that later product; every
  // NTT product clears both and sets LastProductByNTT.
  int LastProductByNTT = 0;
  int KeepNTT0 = 0;
  int NTT0AlreadyComputed = 0;

  // Storage to release on the next InitNTT.
  std::vector<std::pair<double*, long>> Owned;
};

// The process-wide NTT state.
NTTContext& NTT();

// Sizes the machinery for transforms of up to nnttMax points and finds the
// primes for products of about `digits` decimal digits. Fatal when nnttMax is
// not a power of two >= 4, when more than 1000 primes would be needed or too
// few exist, and when the floating-point rounding is not to nearest.
void InitNTT(long nnttMax, double digits);
// Fills the prime table with `count` primes supporting transforms of 2^exponent.
void ComputeSpecialPrimes(int exponent, long count);
// Makes p = c^2 + 1 current; returns its root of order 2^exponent with
// root^(2^(exponent-2)) = c, or 0.0 when the candidate is rejected.
double TestSpecialPrime(double c, int exponent);
// Makes prime k of the table current and builds its RootTable.
void SelectPrime(long k);
// Fills a root table (lo parts at [0, 2n), hi parts at [2n, 4n)) from a
// primitive n-th root of unity w of the current prime.
void BuildRootTable(double* table, double w, long n);

// Transforms in place of n residues modulo prime k of the table; n a power of
// two up to NNTTMax (lengths below 64 are done directly, in natural order).
void ForwardNTT(double* data, long n, long k);
// Includes the division by n: InverseNTT(ForwardNTT(x)) = x.
void InverseNTT(double* data, long n, long k);
// Out-of-place transforms of 4 <= len <= NNTTSqrt residues modulo the selected
// prime, natural order in and out, the inverse unscaled (in and out must differ).
void ShortForwardNTT(const double* in, long len, double* out);
void ShortInverseNTT(const double* in, long len, double* out);
// c[i] = a[i] b[i] mod the selected prime (c may be a or b).
void PointwiseMulMod(const double* a, const double* b, double* c, long n);
// Runs the transforms on the baseline vector kernels even where wider ones
// exist (tests and benchmarks of both).
void UseBaselineKernels(bool on);
