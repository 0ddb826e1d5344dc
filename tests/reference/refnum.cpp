#include "reference/refnum.h"

#include <algorithm>
#include <cstdlib>

namespace ref {

namespace {

int64_t Pow10(int k) {
  int64_t p = 1;
  for (int i = 0; i < k; i++) p *= 10;
  return p;
}

// Base of the division and square root below.
constexpr int kK = 9;
constexpr int64_t kB = 1000000000;

Digits MulSmall(const Digits& a, int64_t m, int k) {
  const int64_t base = Pow10(k);
  Digits r(a.size() + 1, 0);
  __int128 carry = 0;
  for (size_t i = 0; i < a.size(); i++) {
    __int128 t = static_cast<__int128>(a[i]) * m + carry;
    r[i] = static_cast<int64_t>(t % base);
    carry = t / base;
  }
  r[a.size()] = static_cast<int64_t>(carry);
  Trim(r);
  return r;
}

Digits DivSmall(const Digits& a, int64_t m, int k) {
  const int64_t base = Pow10(k);
  Digits r(a.size(), 0);
  __int128 rem = 0;
  for (size_t i = a.size(); i-- > 0;) {
    __int128 t = rem * base + a[i];
    r[i] = static_cast<int64_t>(t / m);
    rem = t % m;
  }
  Trim(r);
  return r;
}

int64_t At(const Digits& a, size_t i) { return i < a.size() ? a[i] : 0; }

// floor(a / b) in base 10^9, long division one quotient limb at a time, each
// limb found by bisection: slow, but plainly right.
Digits DivLimbs(Digits a, Digits b) {
  Trim(a);
  Trim(b);
  if (b.size() == 1 && b[0] == 0) std::abort();
  if (b.size() == 1) return DivSmall(a, b[0], kK);
  Digits q(a.size(), 0);
  Digits rem{0};
  for (size_t i = a.size(); i-- > 0;) {
    rem.insert(rem.begin(), a[i]);
    Trim(rem);
    int64_t lo = 0, hi = kB - 1;  // the largest d with b d <= rem
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo + 1) / 2;
      if (Compare(MulSmall(b, mid, kK), rem) <= 0) lo = mid; else hi = mid - 1;
    }
    rem = Sub(rem, MulSmall(b, lo, kK), kK);
    q[i] = lo;
  }
  Trim(q);
  return q;
}

}  // namespace

void Trim(Digits& a) {
  while (a.size() > 1 && a.back() == 0) a.pop_back();
  if (a.empty()) a.push_back(0);
}

int Compare(const Digits& a, const Digits& b) {
  size_t n = std::max(a.size(), b.size());
  for (size_t i = n; i-- > 0;) {
    int64_t x = At(a, i), y = At(b, i);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

Digits Mul(const Digits& a, const Digits& b, int k) {
  const int64_t base = Pow10(k);
  std::vector<__int128> acc(a.size() + b.size() + 1, 0);
  for (size_t i = 0; i < a.size(); i++) {
    if (a[i] == 0) continue;
    for (size_t j = 0; j < b.size(); j++) acc[i + j] += static_cast<__int128>(a[i]) * b[j];
  }
  Digits r(acc.size(), 0);
  __int128 carry = 0;
  for (size_t i = 0; i < acc.size(); i++) {
    __int128 t = acc[i] + carry;
    r[i] = static_cast<int64_t>(t % base);
    carry = t / base;
  }
  while (carry != 0) {
    r.push_back(static_cast<int64_t>(carry % base));
    carry /= base;
  }
  Trim(r);
  return r;
}

Digits Add(const Digits& a, const Digits& b, int k) {
  const int64_t base = Pow10(k);
  size_t n = std::max(a.size(), b.size());
  Digits r(n + 1, 0);
  int64_t carry = 0;
  for (size_t i = 0; i < n; i++) {
    int64_t s = At(a, i) + At(b, i) + carry;
    carry = s >= base ? 1 : 0;
    r[i] = s - carry * base;
  }
  r[n] = carry;
  Trim(r);
  return r;
}

Digits Sub(const Digits& a, const Digits& b, int k) {
  if (Compare(a, b) < 0) std::abort();
  const int64_t base = Pow10(k);
  Digits r(a.size(), 0);
  int64_t borrow = 0;
  for (size_t i = 0; i < a.size(); i++) {
    int64_t s = a[i] - At(b, i) - borrow;
    borrow = s < 0 ? 1 : 0;
    r[i] = s + borrow * base;
  }
  Trim(r);
  return r;
}

Digits FromDecimal(const std::string& s, int k) {
  Digits r;
  size_t start = s.find_first_not_of('0');
  if (start == std::string::npos) return Digits{0};
  for (size_t end = s.size(); end > start;) {
    size_t from = end >= start + static_cast<size_t>(k) ? end - k : start;
    r.push_back(std::stoll(s.substr(from, end - from)));
    end = from;
  }
  Trim(r);
  return r;
}

std::string ToDecimal(const Digits& a, int k) {
  Digits t = a;
  Trim(t);
  std::string s = std::to_string(t.back());
  for (size_t i = t.size() - 1; i-- > 0;) {
    std::string part = std::to_string(t[i]);
    s += std::string(k - part.size(), '0') + part;
  }
  return s;
}

std::string Div(const std::string& a, const std::string& b) {
  return ToDecimal(DivLimbs(FromDecimal(a, kK), FromDecimal(b, kK)), kK);
}

std::string ISqrt(const std::string& n) {
  Digits v = FromDecimal(n, kK);
  if (Compare(v, Digits{2}) < 0) return ToDecimal(v, kK);
  // Start above the root: 10^ceil(digits/2); Newton then decreases monotonically.
  size_t digits = ToDecimal(v, kK).size();
  size_t half = (digits + 1) / 2;
  Digits x = FromDecimal("1" + std::string(half, '0'), kK);
  for (;;) {
    Digits y = DivSmall(Add(x, DivLimbs(v, x), kK), 2, kK);
    if (Compare(y, x) >= 0) return ToDecimal(x, kK);
    x = y;
  }
}

}  // namespace ref
