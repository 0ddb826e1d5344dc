// In-memory numbers of 12-digit limbs held in doubles, with an exponent in limbs:
// exact integers in the binary splitting, truncating floating numbers (precision
// = capacity) in the Newton iterations.
#pragma once

#include <cmath>

#include "mpint/mpint.h"

constexpr double kBigIntBase = 1e12;
constexpr double kBigIntMaxLimb = 999999999999.0;

class BigInt : public MPInt {
 public:
  long NAlloc = 0;          // capacity in limbs; storage holds NAlloc + 1
  long Offset = 0;          // exponent of the lowest limb, in limbs
  double* Limbs = nullptr;  // lowest limb first
  double* Raw = nullptr;    // block to release; null for views

  BigInt() = default;
  // The destructor releases nothing: owners call Free.
  ~BigInt() override = default;

  void Alloc(long n);
  void Free() override;
  int GetType() const override { return 2; }
  void WriteToBuffer(double* dst, long count, long start) const override;
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return Offset; }

  // A view sharing the limbs from limb k upward (Size and NAlloc reduced by k,
  // Offset raised by k). Never freed.
  BigInt ViewFrom(long k) const;
  // A view of the top k limbs (k <= Size).
  BigInt ViewTop(long k) const { return ViewFrom(Size - k); }

  void CopyTo(BigInt& r) const;
  // Drops the k lowest limbs (truncation toward the top).
  void DropLowLimbs(long k);
  // Carry release over the Size limbs, then normal form.
  void UpdateBigInt();
  // Absorbs the carry c out of a pass over n limbs.
  void PutCarry(long n, double c);
  // Trims leading zero limbs and folds a leading -1 over 999999999999 limbs.
  void UpdateSize();
  // Debug print on standard output.
  void Print() const;
};

// Non-negative 6-digit halves: x = hi * 10^6 + lo.
inline void SplitHalves(double x, double* hi, double* lo) {
  double h = std::floor(x * 1e-6);
  double l = x - h * 1e6;
  if (l < 0) {
    l += 1e6;
    h -= 1;
  } else if (l >= 1e6) {
    l -= 1e6;
    h += 1;
  }
  *hi = h;
  *lo = l;
}

// r = a + b, aligned by exponent; limbs below the higher Offset are dropped. r may be a or b.
void AddBigInt(const BigInt& a, const BigInt& b, BigInt& r);
// r = a - b. r may be a or b.
void SubstractBigInt(const BigInt& a, const BigInt& b, BigInt& r);
// r = a * m, |m| <= 1e15 a whole number. r may be a.
void ShortMul(const BigInt& a, double m, BigInt& r);
void LongShortMul(const BigInt& a, double m, BigInt& r);
// r = a / m truncated to a's exponent, |m| <= 1000. r may be a.
void ShortDiv(const BigInt& a, double m, BigInt& r);
