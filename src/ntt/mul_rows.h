// The inner product of the residue and CRT steps: many coefficients at once,
// each a combination of the same rows of small integers.
#pragma once

// Row and column multiples that MulAddRows needs (callers pad with zeros).
constexpr long kMulRowsTile = 4;
constexpr long kMulColsTile = 8;

// C[r][n] += sum over k < K of A[r][k] rows[k][n], for r < nr and n < nc;
// A and C are row-major with leading dimensions lda and ldc. nr must be a
// multiple of kMulRowsTile and nc of kMulColsTile (rows[k] readable up to nc).
// Every value must be an integer and every partial sum below 2^53 in
// magnitude: the result is then exact, in any order of summation.
void MulAddRows(const double* A, long lda, long nr, const double* const* rows, long K, double* C,
                long ldc, long nc);
// The residue and CRT steps run on the baseline vector kernels even where
// wider ones exist (tests and benchmarks of both).
void UseBaselineCRTKernels(bool on);
bool BaselineCRTKernels();
