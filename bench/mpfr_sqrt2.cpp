// Comparison program for the benchmark: the square root of 2 to D decimals
// with MPFR (a correctly rounded root at D log2(10) + 64 bits), then decimal
// conversion and writing, as Numora does.
// Usage: mpfr_sqrt2 DIGITS OUTFILE
#include <mpfr.h>

#include <cstdio>
#include <cstdlib>

#include "comparison.h"

int main(int argc, char** argv) {
  const unsigned long digits = DigitsArgument(argc, argv);
  const mpfr_prec_t bits = static_cast<mpfr_prec_t>(digits * 3.3219280948873623) + 64;

  double t0 = Now();
  mpfr_t r;
  mpfr_init2(r, bits);
  mpfr_sqrt_ui(r, 2, MPFR_RNDN);
  double t1 = Now();
  // One more digit than asked, truncated away below: no rounding reaches the last.
  mpfr_exp_t exp;
  char* text = mpfr_get_str(nullptr, &exp, 10, digits + 2, r, MPFR_RNDZ);
  double t2 = Now();
  FILE* f = std::fopen(argv[2], "w");
  if (f == nullptr) return 1;
  std::fprintf(f, "%c.%.*s\n", text[0], static_cast<int>(digits), text + 1);
  std::fclose(f);
  double t3 = Now();
  std::printf("MPFR sqrt(2): root %.2f s, conversion %.2f s, writing %.2f s\n", t1 - t0, t2 - t1,
              t3 - t2);
  mpfr_free_str(text);
  mpfr_clear(r);
  return 0;
}
