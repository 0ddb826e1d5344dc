#include "constants/pi_ramanujan.h"

#include <cmath>

void PiRamanujanComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, "Method used : Ramanujan\n");
}

double PiRamanujanComputation::LogTermConstant() const { return 9.48 * std::log(10.0); }

// p(k) = (4k-3)(2k-1)(4k-1), q(k) = k^3 396^4 / 8, l(k) = 1103 + 26390 k.
void PiRamanujanComputation::LastBabyStep(double a, double b, SmallInt& A, SmallInt& P,
                                          SmallInt& Q) {
  A.Set(1);
  for (double k = a + 1; k <= b; k++) MulThreeFactorsSmallInt(A, 4 * k - 3, 2 * k - 1, 4 * k - 1);
  A.CopyTo(Q);
  P.Set(0);
  // Q holds p(a+1..j) q(j+1..b) before round j.
  for (double j = b; j > a; j--) {
    SmallWork.Set(26390 * j + 1103);
    MulSmallInt(SmallWork, Q, SmallWork);
    AddSmallInt(P, SmallWork, P);
    SmallWork.Limbs[0] = 907232;
    SmallWork.Limbs[1] = 3073;
    SmallWork.Size = 2;
    MulThreeFactorsSmallInt(SmallWork, j, j, j);
    DivThreeFactorsSmallInt(Q, 4 * j - 3, 2 * j - 1, 4 * j - 1);
    MulSmallInt(Q, SmallWork, Q);
  }
}
