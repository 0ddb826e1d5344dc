// The integers of the Chinese remaindering: base 10^7 limbs held in doubles,
// lowest first, never negative. A limb times a factor below 10^7 and a sum of
// a few such products stay exact integers below 2^53.
#pragma once

constexpr double kTinyBase = 1e7;
constexpr int kTinyDigits = 7;

// A view of storage owned elsewhere (the CRT tables or a scratch array):
// Size limbs in use out of NAlloc.
struct TinyInt {
  long Size = 0;
  long NAlloc = 0;
  double* Limbs = nullptr;
};

// Carry release from the bottom (every limb a non-negative integer below
// 2^53), extending the number while a carry is left, then trimming leading
// zero limbs (at least one limb stays). Growing beyond NAlloc is fatal.
void UpdateTinyInt(TinyInt& a);
// r = a m for a whole 0 <= m < 8 10^15 (a special prime fits). r must not be a.
void ShortMulTinyInt(double m, const TinyInt& a, TinyInt& r);
// -1, 0 or 1 as a <, = or > b (both normal).
int CompareTinyInt(const TinyInt& a, const TinyInt& b);
