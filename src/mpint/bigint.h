// In-memory numbers of 12-digit limbs held in doubles, with an exponent in limbs:
// exact integers in the binary splitting, truncating floating numbers (precision
// = capacity) in the Newton iterations.
//
// Ownership: a BigInt owns its storage and cannot be copied (only moved, which
// hands the storage over); a BigIntView shows limbs that another number owns
// (the free storage above a left half, the spare part of a scratch number, the
// top limbs of an operand) and never frees them. NAlloc, the capacity that the
// algorithms set to choose a precision, is kept apart from what the storage
// holds (Room), which bounds it.
#pragma once

#include <cmath>

#include "mpint/limb_storage.h"
#include "mpint/mpint.h"

constexpr double kBigIntBase = 1e12;
constexpr double kBigIntMaxLimb = 999999999999.0;

class BigIntView;

class BigInt : public MPInt {
 public:
  long NAlloc = 0;          // capacity in limbs: the limbs a result keeps
  long Offset = 0;          // exponent of the lowest limb, in limbs
  double* Limbs = nullptr;  // lowest limb first; Limbs[NAlloc] is a spare

  BigInt() = default;
  explicit BigInt(long n) { Alloc(n); }
  BigInt(const BigInt&) = delete;
  BigInt& operator=(const BigInt&) = delete;
  // Hands the storage over (the result slot takes a finished number so).
  BigInt(BigInt&& other) noexcept;
  BigInt& operator=(BigInt&& other) noexcept;
  ~BigInt() override = default;

  // Storage of n limbs (and the spare), the value 0. Storage held before goes back.
  void Alloc(long n);
  void Free() override;
  int GetType() const override { return 2; }
  void WriteToBuffer(double* dst, long count, long start) const override;
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return Offset; }

  // The most limbs the capacity may reach: what the storage under Limbs holds.
  long Room() const { return room_; }
  // NAlloc = n; beyond Room it is a fatal error (the limbs are not there).
  void SetCapacity(long n);

  // A view sharing the limbs from limb k upward (Size, NAlloc and Room reduced
  // by k, Offset raised by k).
  BigIntView ViewFrom(long k) const;
  // A view of the top k limbs (k <= Size).
  BigIntView ViewTop(long k) const;
  // The free storage above the Size limbs in use, as an empty number of the
  // given capacity (at most NAlloc - Size).
  BigIntView Above(long capacity) const;
  BigIntView Above() const;

  void CopyTo(BigInt& r) const;
  // Drops the k lowest limbs (truncation toward the top); a number no longer
  // than k becomes 0, k limbs higher.
  void DropLowLimbs(long k);
  // The same value on len limbs: zeros are put below (the exponent falls).
  void Lengthen(long len);
  // Carry release over the Size limbs, then normal form.
  void UpdateBigInt();
  // Absorbs the carry c out of a pass over n limbs.
  void PutCarry(long n, double c);
  // Trims leading zero limbs and folds a leading -1 over 999999999999 limbs.
  void UpdateSize();
  bool IsZero() const { return Size == 1 && Limbs[0] == 0; }
  // Debug print on standard output.
  void Print() const;

 protected:
  long room_ = 0;

 private:
  LimbStorage storage_;
};

// A number over limbs that another number owns. Views are copied freely; the
// owner must outlive them.
class BigIntView : public BigInt {
 public:
  // room: the limbs at limbs[0 ..) that may be written (the spare above not
  // counted); the capacity starts at room.
  BigIntView(double* limbs, long room, long size, long offset);
  BigIntView(const BigIntView& v);
  BigIntView& operator=(const BigIntView& v);
  // A view never takes storage of its own.
  void Alloc(long) = delete;
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
// r = a + b, except that a zero operand, whose exponent means nothing, does not
// truncate the other one. r may be a or b.
void AddBigIntAligned(const BigInt& a, const BigInt& b, BigInt& r);
// r = a - b. r may be a or b.
void SubstractBigInt(const BigInt& a, const BigInt& b, BigInt& r);
// x = -x, in place (complement form).
void NegateBigInt(BigInt& x);
// r = a * m, |m| <= 1e15 a whole number. r may be a.
void ShortMul(const BigInt& a, double m, BigInt& r);
void LongShortMul(const BigInt& a, double m, BigInt& r);
// r = a / m truncated to a's exponent, |m| <= 1000. r may be a.
void ShortDiv(const BigInt& a, double m, BigInt& r);
