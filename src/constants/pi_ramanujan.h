// Pi by Ramanujan's series (menu entry 1): the Chudnovsky driver with other terms,
//   Pi = (9801 / sqrt(8)) * Q / (1103 Q + P).
#pragma once

#include "constants/pi_chudnovsky.h"

class PiRamanujanComputation : public PiChudnovskyComputation {
 public:
  int GetTypeCode() const override { return 2; }
  void PrintMethod(FILE* stream) const override;

  void LastBabyStep(double a, double b, SmallInt& A, SmallInt& P, SmallInt& Q) override;
  // All terms are positive.
  int ExpectedPSign(double) const override { return 1; }
  double DigitsPerTerm() const override { return 7.98; }
  double LogTermConstant() const override;  // 9.48 ln 10
};
