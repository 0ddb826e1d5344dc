// Exact small integers of 6-digit limbs held in doubles: the leaves of the
// binary splittings, polynomial coefficients, fractions of the user series.
// All products are schoolbook; sizes are bounded so that every sum of limb
// products stays below 2^53.
#pragma once

#include "mpint/mpint.h"

constexpr double kSmallIntBase = 1e6;
// A coefficient of a product sums at most this many limb products (< 2^53).
constexpr long kSmallIntMaxTerms = 4000;

class SmallInt : public MPInt {
 public:
  long NAlloc = 0;          // capacity in limbs
  double* Limbs = nullptr;  // lowest limb first
  double* Raw = nullptr;    // owned block; null for views and empty numbers
  int NoDelete = 0;         // 1: Limbs borrowed from another number (AllocSpecial)

  SmallInt() = default;
  explicit SmallInt(long n) { Alloc(n); }
  SmallInt(const SmallInt& s);
  SmallInt& operator=(const SmallInt& s);
  ~SmallInt() override;

  // Capacity of at least n limbs; the content is not kept.
  void Alloc(long n);
  // Capacity of at least n limbs keeping the Size low limbs.
  void Realloc(long n);
  // Makes this number a view of a's storage from limb k on (never freed).
  void AllocSpecial(const SmallInt& a, long k);
  void Free() override;

  int GetType() const override { return 1; }
  void WriteToBuffer(double* dst, long count, long start) const override;
  int GetNbDecPerLimb() const override { return 6; }

  void CopyTo(SmallInt& r) const;
  // x a whole number, |x| <= 1e15.
  void Set(double x);
  bool IsZero();
  bool IsOne();
  double ToDouble() const;
  // ln |x| from the top limbs.
  double Log() const;
  // -1, 0 or +1 (hides the two-way MPInt::Sign).
  int Sign() const;
  // Carry release: lower limbs balanced in [-500000, 500000], the top two in
  // [0, 999999], a negative number with a top limb -1.
  void UpdateSmallInt();
  // Drops zero top limbs and folds a top -1 over limbs of 999999.
  void Trim();
};

// The shared constants 0 and 1, set by InitSmallIntConstants at start-up.
struct SmallIntConstants {
  SmallInt Zero{1};
  SmallInt One{1};
};
SmallIntConstants& SmallIntShared();
void InitSmallIntConstants();

// r may be an operand in every operation below.
void NegateSmallInt(const SmallInt& a, SmallInt& r);
void AddSmallInt(const SmallInt& a, const SmallInt& b, SmallInt& r);
void SubstractSmallInt(const SmallInt& a, const SmallInt& b, SmallInt& r);
void SquareSmallInt(const SmallInt& a, SmallInt& r);
// update = 0 leaves the coefficients unreleased (the caller adds more first).
void MulSmallInt(const SmallInt& a, const SmallInt& b, SmallInt& r, int update = 1);
// r = a * m, m a whole number, |m| <= 1e15.
void ShortMulSmallInt(const SmallInt& a, double m, SmallInt& r);
void LongShortMulSmallInt(const SmallInt& a, double m, SmallInt& r);
// r = a / m for an exact division, 0 < |m| <= 1e12; a remainder is fatal.
void ShortDivSmallInt(const SmallInt& a, double m, SmallInt& r);
void LongShortDivSmallInt(const SmallInt& a, double m, SmallInt& r);
// a *= f1 f2 f3 and a /= f1 f2 f3 (exact) for whole numbers fi, in as few passes
// as the bounds of the short operations allow.
void MulThreeFactorsSmallInt(SmallInt& a, double f1, double f2, double f3);
void DivThreeFactorsSmallInt(SmallInt& a, double f1, double f2, double f3);
