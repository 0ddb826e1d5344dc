// Comparison program for the benchmark: e to D decimals with GMP, by binary
// splitting of sum 1/n!, then decimal conversion and writing, as Numora does.
// Usage: gmp_e DIGITS OUTFILE
#include <gmp.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "comparison.h"

namespace {

// Terms j = a+1 .. b: q = (a+1)...b, p = sum over j of (j+1)...b.
void Split(unsigned long a, unsigned long b, mpz_t p, mpz_t q) {
  if (b - a == 1) {
    mpz_set_ui(p, 1);
    mpz_set_ui(q, b);
    return;
  }
  unsigned long m = (a + b) / 2;
  mpz_t pr, qr;
  mpz_inits(pr, qr, nullptr);
  Split(a, m, p, q);
  Split(m, b, pr, qr);
  mpz_mul(p, p, qr);
  mpz_add(p, p, pr);
  mpz_mul(q, q, qr);
  mpz_clears(pr, qr, nullptr);
}


}  // namespace

int main(int argc, char** argv) {
  const unsigned long digits = DigitsArgument(argc, argv);
  // Smallest N with log10(N!) above the digits plus a margin.
  unsigned long n = 2;
  while (std::lgamma(n + 1.0) / std::log(10.0) < digits + 20.0) n += 1 + n / 64;

  double t0 = Now();
  mpz_t p, q, scale;
  mpz_inits(p, q, scale, nullptr);
  Split(0, n, p, q);
  double t1 = Now();
  mpz_add(p, p, q);  // e = (p + q) / q
  mpz_ui_pow_ui(scale, 10, digits);
  mpz_mul(p, p, scale);
  mpz_tdiv_q(p, p, q);
  double t2 = Now();
  char* text = mpz_get_str(nullptr, 10, p);
  double t3 = Now();
  FILE* f = std::fopen(argv[2], "w");
  if (f == nullptr) return 1;
  std::fprintf(f, "%c.%s\n", text[0], text + 1);
  std::fclose(f);
  double t4 = Now();
  std::printf("GMP e: N=%lu series %.2f s, division %.2f s, conversion %.2f s, writing %.2f s\n", n,
              t1 - t0, t2 - t1, t3 - t2, t4 - t3);
  mpz_clears(p, q, scale, nullptr);
  return 0;
}
