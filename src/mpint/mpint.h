// The abstract multiprecision number: the result writer and the drivers handle
// it without knowing where its limbs live (memory or disk).
#pragma once

class MPInt {
 public:
  long Size = 0;  // limbs in use

  virtual ~MPInt() = default;
  // Releases the limb storage (for a disk number: deletes its files).
  virtual void Free() {}
  // 2 for BigInt, 3 for DiskInt.
  virtual int GetType() const = 0;
  // Copies limbs start .. start+count-1 (lowest first) into dst.
  virtual void WriteToBuffer(double* dst, long count, long start) const;
  virtual int GetNbDecPerLimb() const = 0;
  // Exponent of the lowest limb, in limbs.
  virtual long GetOffset() const { return 0; }

  // The integer formed by the 10 decimal digits after decimal position pos;
  // digits outside the stored limbs read as 0.
  double GetTenDigits(double pos) const;
  // -1 for a negative number, +1 otherwise (zero included).
  int Sign() const;
};
