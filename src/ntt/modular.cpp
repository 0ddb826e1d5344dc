#include "ntt/modular.h"

#include <cmath>

#include "ntt/ntt.h"
#include "shell/error_report.h"

const PrimeContext& CurrentPrime() { return NTT().Prime; }

double ModReduce(double x) {
  const double p = NTT().Prime.p;
  double r = x - std::floor(x / p) * p;
  // The quotient may round across an integer: one correction either way.
  if (r < 0) r += p;
  if (r >= p) r -= p;
  return r;
}

double PowMod(double a, double e) {
  const PrimeContext m = NTT().Prime;
  if (!(e > 0)) return 1;
  // Halving an infinite exponent never reaches zero.
  if (!std::isfinite(e)) error("Error in PowMod, the exponent is not finite");
  double result = 1;
  double base = (a >= 0 && a < m.p) ? a : ModReduce(a);
  do {
    const double half = std::floor(e * 0.5);
    if (half * 2 != e) result = MulMod(m, result, base);
    base = MulMod(m, base, base);
    e = half;
  } while (e > 0);
  return result;
}

double ExtendedGcd(double a, double b, double* x, double* y) {
  if (b == 0) {
    *x = 1;
    *y = 0;
    return a;
  }
  double q = std::floor(a / b);
  double r = a - q * b;
  // Near 2^53 the quotient may round up to the next integer.
  if (r < 0) {
    r += b;
    q -= 1;
  } else if (r >= b) {
    r -= b;
    q += 1;
  }
  if (r == 0) {
    *x = 0;
    *y = 1;
    return b;
  }
  double x1, y1;
  const double g = ExtendedGcd(b, r, &x1, &y1);
  *x = y1;
  *y = x1 - y1 * q;
  return g;
}

double InvMod(double a, double m) {
  if (!(m >= 1) || !std::isfinite(a) || !std::isfinite(m)) {
    error("Error in InvMod, non inversible residu");
  }
  double r = a - std::floor(a / m) * m;
  if (r < 0) r += m;
  if (r >= m) r -= m;
  double x, y;
  if (ExtendedGcd(r, m, &x, &y) != 1) error("Error in InvMod, non inversible residu");
  return x < 0 ? x + m : x;
}
