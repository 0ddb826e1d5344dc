// Chinese remaindering over the first NCRT special primes: the choice of the
// prime count and coefficient size of a product, the residues of decimal
// coefficients, and the exact rebuilding of coefficients from their residues.
//
// A coefficient of d = CRTNbDec decimal digits is reduced modulo every prime;
// the convolution coefficients (below NNTT/2 10^(2d) <= M/2, M the product of
// the primes) come back as residues and are rebuilt as
//   R = sum alpha_i M_i mod M,  M_i = M / p_i,  alpha_i = x_i (M_i mod p_i)^-1 mod p_i.
// Both steps run on many coefficients at once as exact matrix products of
// small integers (MulAddRows): the digits of the coefficients times the
// residues of the powers of 10^7, and the base 10^7 digits of the alphas times
// the limbs of the M_i.
#pragma once

#include "ntt/tiny_int.h"

// The number of primes for a product of n limbs with transforms of nntt
// points, and the digits per coefficient in *crtNbDec: the fewest primes whose
// coefficients hold the whole product in one transform. Fatal ("Pb, NCRT is
// too large") when the prime table is too short.
long ComputeNCRT(long n, long nntt, long* crtNbDec);
// NCRT, NNTT and CRTNbDec of a product of na by nb limbs: the largest
// transform (up to NNTTMax) that still needs five primes, never below 64
// points nor too short for the product.
long ChooseBestCRT(long na, long nb, long* nntt, long* crtNbDec);

// The tables of the primes 0 .. ncrt-1 (replacing any earlier ones).
void InitCRT(long ncrt);
void FreeCRT();

// Residues of `count` coefficients of crtNbDec digits cut from base 10^12
// limbs: coefficient j is formed by the digits j crtNbDec .. (j+1) crtNbDec - 1
// of `limbs`, whose limbs must be readable (zero above the number) through the
// last coefficient's digits. Residue of prime i goes to res[i stride + j].
void ComputeModulos(const double* limbs, long crtNbDec, long count, double* res, long stride);
// Rebuilds `count` coefficients from their product residues x[i stride + j]
// and adds coefficient j, times 10^(j crtNbDec), into the base 10^12 limbs of
// `out` (left unnormalised, each limb growing by less than 10^12 per
// coefficient that reaches it; `out` needs room for the digits of the last).
// A coefficient out of range is a CRT error, which ends the run.
void CRTCoefficients(const double* x, long stride, long count, long crtNbDec, double* out);

// Carry release of n non-negative base 10^12 limbs (below 2^53 each) into
// [0, 10^12); returns the carry out of the top.
double ReleaseCarries(double* limbs, long n);

// One coefficient from its alphas (alpha[i] < p_i for every prime): result =
// sum alpha_i M_i reduced modulo M, checked to lie below M/2. result needs
// room for the limbs of M plus two.
void CRT(const double* alpha, TinyInt& result);

// The CRT error: the error report without ending the run, then the CRT details
// appended to the log (NCRT, the alphas, m), then the end of the run.
[[noreturn]] void CRTError(const char* message, double m, const double* alpha);
