// Exact small integers of 6-digit limbs held in doubles: the leaves of the
// binary splittings, polynomial coefficients, fractions of the user series.
// All products are schoolbook; sizes are bounded so that every sum of limb
// products stays below 2^53.
#pragma once

#include "mpint/limb_storage.h"
#include "mpint/mpint.h"

constexpr double kSmallIntBase = 1e6;
// A coefficient of a product sums at most this many limb products (< 2^53).
constexpr long kSmallIntMaxTerms = 4000;

// Ownership as for BigInt: a SmallInt owns its storage (a copy is a copy of
// the value in storage of its own); a SmallIntView borrows the storage of
// another number and never frees it or grows.
class SmallInt : public MPInt {
 public:
  long NAlloc = 0;          // capacity in limbs
  double* Limbs = nullptr;  // lowest limb first

  SmallInt() = default;
  explicit SmallInt(long n) { Alloc(n); }
  SmallInt(const SmallInt& s);
  SmallInt& operator=(const SmallInt& s);
  SmallInt(SmallInt&& s) noexcept;
  SmallInt& operator=(SmallInt&& s) noexcept;
  ~SmallInt() override = default;

  // Capacity of at least n limbs; the content is not kept.
  void Alloc(long n);
  // Capacity of at least n limbs keeping the Size low limbs.
  void Realloc(long n);
  void Free() override;
  // True for a view: its limbs belong to another number.
  bool NoDelete() const { return Limbs != nullptr && storage_.Empty(); }

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

 private:
  LimbStorage storage_;
};

// The storage of a from limb k on, as an empty number (the right part of a
// binary-splitting level is built just above the left part's limbs).
class SmallIntView : public SmallInt {
 public:
  SmallIntView(const SmallInt& a, long k);
  SmallIntView(const SmallIntView&) = delete;
  SmallIntView& operator=(const SmallIntView&) = delete;
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
