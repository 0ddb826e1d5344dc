// Ownership of limb arrays, shared by the number kinds. An owner holds one
// block from AllocDoubles and gives it back exactly once, whatever capacity the
// algorithms set meanwhile; a view borrows limbs and never frees them.
#pragma once

class LimbStorage {
 public:
  LimbStorage() = default;
  LimbStorage(const LimbStorage&) = delete;
  LimbStorage& operator=(const LimbStorage&) = delete;
  LimbStorage(LimbStorage&& other) noexcept;
  LimbStorage& operator=(LimbStorage&& other) noexcept;
  ~LimbStorage() { Release(); }

  // n limbs and one spare above them (zeroed), 64-byte aligned; a block held
  // before goes back first. Returns the limbs.
  double* Allocate(long n);
  void Release();
  // The memory that Allocate(n) takes: what a number of n limbs costs.
  static double Bytes(long n);
  bool Empty() const { return raw_ == nullptr; }
  // The limbs of the block, the spare not counted.
  long Limbs() const { return limbs_; }

 private:
  double* raw_ = nullptr;
  long limbs_ = 0;
};

// The capacity of a number (its NAlloc, the precision that results keep)
// changed for a scope and restored when the scope ends, so that no later
// edit can forget to give it back. Works for every number kind that has
// NAlloc and SetCapacity.
template <typename Number>
class ScopedCapacity {
 public:
  ScopedCapacity(Number& x, long capacity) : x_(x), saved_(x.NAlloc) { x.SetCapacity(capacity); }
  ~ScopedCapacity() { x_.SetCapacity(saved_); }
  ScopedCapacity(const ScopedCapacity&) = delete;
  ScopedCapacity& operator=(const ScopedCapacity&) = delete;

 private:
  Number& x_;
  long saved_;
};
