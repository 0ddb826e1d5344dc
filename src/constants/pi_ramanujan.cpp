#include "constants/pi_ramanujan.h"

#include <cmath>

void PiRamanujanComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, "Method used : Ramanujan\n");
}

double PiRamanujanComputation::LogTermConstant() const { return 9.48 * std::log(10.0); }

// p(k) = (4k-3)(2k-1)(4k-1), q(k) = k^3 396^4 / 8, l(k) = 1103 + 26390 k.
void PiRamanujanComputation::LastBabyStep(double a, double b, SmallInt& A, SmallInt& P,
                                          SmallInt& Q) {
  // From the last term down, each round multiplying by p(j) and q(j) (no
  // division): before round j, Q = q(j+1..b) and P = sum over k > j of
  // l(k) p(j+1..k) q(k+1..b).
  A.Set(1);
  P.Set(0);
  Q.Set(1);
  for (double j = b; j > a; j--) {
    SmallWork.Set(26390 * j + 1103);
    MulSmallInt(SmallWork, Q, SmallWork);
    AddSmallInt(P, SmallWork, P);
    MulThreeFactorsSmallInt(P, 4 * j - 3, 2 * j - 1, 4 * j - 1);
    MulThreeFactorsSmallInt(A, 4 * j - 3, 2 * j - 1, 4 * j - 1);
    SmallWork.Limbs[0] = 907232;
    SmallWork.Limbs[1] = 3073;
    SmallWork.Size = 2;
    MulThreeFactorsSmallInt(SmallWork, j, j, j);
    MulSmallInt(Q, SmallWork, Q);
  }
}
