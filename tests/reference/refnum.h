// Slow, obviously right arithmetic on little-endian vectors of base-10^k digits,
// shared by the arithmetic tests as their reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ref {

using Digits = std::vector<int64_t>;  // base 10^k limbs, lowest first, non-negative

// Schoolbook product in base 10^k (k <= 9 so that limb products fit in 128 bits).
Digits Mul(const Digits& a, const Digits& b, int k);
Digits Add(const Digits& a, const Digits& b, int k);
// a - b for a >= b.
Digits Sub(const Digits& a, const Digits& b, int k);
int Compare(const Digits& a, const Digits& b);
void Trim(Digits& a);

// Decimal text <-> limbs.
Digits FromDecimal(const std::string& s, int k);
std::string ToDecimal(const Digits& a, int k);

// floor(sqrt(n)) for a decimal integer n, by Newton's method on decimal strings.
std::string ISqrt(const std::string& n);
// floor(a / b) for decimal integers.
std::string Div(const std::string& a, const std::string& b);

}  // namespace ref
