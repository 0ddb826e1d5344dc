// The binary digits of Pi after any position, without those before, from the
// digit-extraction formula
//   Pi = 2^-6 sum_k (-1)^k 2^-10k (-2^5/(4k+1) - 1/(4k+3) + 2^8/(10k+1)
//        - 2^6/(10k+3) - 2^2/(10k+5) - 2^2/(10k+7) + 1/(10k+9)),
// in double arithmetic only: every residue is exact, and every term is kept
// with its rounding error (hi + lo), so that the sums do not drift however
// many terms the position needs.
#pragma once

#include <cstdint>
#include <functional>

// Moduli stay below 2^40, where the residues are exact (the modulus of the
// last term is about the position): 2^40 - 64.
constexpr int64_t kMaxExtractionPosition = (int64_t{1} << 40) - 64;

// A fraction held as the unevaluated sum Hi + Lo, |Lo| at most the rounding
// error of Hi.
struct WideFraction {
  double Hi = 0;
  double Lo = 0;
};

// 2^e mod m, exactly, for whole 0 <= e < 2^62 and 1 <= m < 2^40.
double PowMod2(int64_t e, double m);

// The fractional part of sum_{k>=0} (-1)^k 2^(n+b-a k) / (c k + d), the terms
// taken down to the exponent -30 (the omitted tail is below 2^-31 / (c k + d)),
// for 1 <= a, c and n + b < kMaxExtractionPosition.
WideFraction DigitExtractionSum(int a, int b, int c, int d, int64_t n);

// frac(2^p Pi), in [0, 1), for 0 <= p <= kMaxExtractionPosition; afterSum (if
// set) runs after each of the seven sums.
double PiBinaryFraction(int64_t p, const std::function<void()>& afterSum = {});

// Value in [0, 1) of a wide fraction taken modulo 1.
double FractionPart(const WideFraction& f);
