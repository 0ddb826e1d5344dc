// Comparison program for bench/pi_bench.sh: Pi by the Chudnovsky series with a
// plain GMP binary splitting, a floating square root and quotient, conversion
// to decimal and the digits written to a file.
//
// Usage: gmp_chudnovsky DIGITS OUTFILE
#include <gmp.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "comparison.h"

namespace {

const double kDigitsPerTerm = 14.181647462725477;

// Terms a .. b-1: p = prod p(k), q = prod q(k), t = sum of the signed terms
// scaled by q; with needP = false the caller does not use p.
void Split(unsigned long a, unsigned long b, mpz_t p, mpz_t q, mpz_t t, bool needP) {
  if (b - a == 1) {
    if (a == 0) {
      mpz_set_ui(p, 1);
      mpz_set_ui(q, 1);
    } else {
      mpz_set_ui(p, 6 * a - 5);
      mpz_mul_ui(p, p, 2 * a - 1);
      mpz_mul_ui(p, p, 6 * a - 1);
      mpz_set_ui(q, a);
      mpz_mul_ui(q, q, a);
      mpz_mul_ui(q, q, a);
      mpz_mul_ui(q, q, 10939058860032000UL);  // 640320^3 / 24
    }
    mpz_set_ui(t, 545140134);
    mpz_mul_ui(t, t, a);
    mpz_add_ui(t, t, 13591409);
    mpz_mul(t, t, p);
    if (a & 1) mpz_neg(t, t);
    return;
  }
  const unsigned long m = (a + b) / 2;
  mpz_t p2, q2, t2;
  mpz_inits(p2, q2, t2, nullptr);
  Split(a, m, p, q, t, true);
  Split(m, b, p2, q2, t2, needP);
  mpz_mul(t, t, q2);
  mpz_mul(t2, t2, p);
  mpz_add(t, t, t2);
  mpz_mul(q, q, q2);
  if (needP) mpz_mul(p, p, p2);
  mpz_clears(p2, q2, t2, nullptr);
}


}  // namespace

int main(int argc, char** argv) {
  const long digits = static_cast<long>(DigitsArgument(argc, argv));
  const unsigned long terms = static_cast<unsigned long>(digits / kDigitsPerTerm) + 2;
  const mp_bitcnt_t bits = static_cast<mp_bitcnt_t>(digits * std::log2(10.0)) + 64;

  double t0 = Now();
  mpz_t p, q, t;
  mpz_inits(p, q, t, nullptr);
  Split(0, terms, p, q, t, false);
  double t1 = Now();

  // Pi = 426880 sqrt(10005) q / t
  mpf_set_default_prec(bits);
  mpf_t pi, root, qf;
  mpf_inits(pi, root, qf, nullptr);
  mpf_set_ui(root, 10005);
  mpf_sqrt(root, root);
  mpf_set_z(qf, q);
  mpf_mul_ui(qf, qf, 426880);
  mpf_mul(qf, qf, root);
  mpf_set_z(pi, t);
  mpf_div(pi, qf, pi);
  double t2 = Now();

  mp_exp_t exp;
  char* text = mpf_get_str(nullptr, &exp, 10, static_cast<size_t>(digits) + 1, pi);
  double t3 = Now();
  FILE* out = std::fopen(argv[2], "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "3.%s\n", text + 1);
  std::fclose(out);
  double t4 = Now();
  std::printf("series %.2f s, sqrt and division %.2f s, to decimal %.2f s, write %.2f s\n", t1 - t0,
              t2 - t1, t3 - t2, t4 - t3);
  return 0;
}
