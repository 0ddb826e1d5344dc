#include "mpint/limb_storage.h"

#include "shell/memory.h"

LimbStorage::LimbStorage(LimbStorage&& other) noexcept : raw_(other.raw_), limbs_(other.limbs_) {
  other.raw_ = nullptr;
  other.limbs_ = 0;
}

LimbStorage& LimbStorage::operator=(LimbStorage&& other) noexcept {
  if (this != &other) {
    Release();
    raw_ = other.raw_;
    limbs_ = other.limbs_;
    other.raw_ = nullptr;
    other.limbs_ = 0;
  }
  return *this;
}

double* LimbStorage::Allocate(long n) {
  Release();
  if (n < 0) n = 0;
  double* limbs;
  AllocDoubles(n + 1, &raw_, &limbs);
  limbs_ = n;
  limbs[n] = 0;
  return limbs;
}

double LimbStorage::Bytes(long n) { return AllocatedBytes((n < 0 ? 0 : n) + 1); }

void LimbStorage::Release() {
  if (raw_ != nullptr) FreeDoubles(limbs_ + 1, raw_);
  raw_ = nullptr;
  limbs_ = 0;
}
