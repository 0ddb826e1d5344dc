// The check of a compressed Pi result (menu entry 8). The stored number times
// 2^p gives the binary digits of Pi just after binary position p (the first
// step); the digit-extraction formula gives the same digits without any of the
// stored ones (the second step). With 2^p just above 10^D, agreement of 24
// binary digits vouches, with very high probability, for the first D decimals.
#pragma once

#include <functional>
#include <string>

class CompressedNumber;

constexpr long kCheckedBinaryDigits = 24;

struct CheckPlan {
  double Digits = 0;    // decimal digits checked: a multiple of 36
  double Position = 0;  // binary position p = floor(Digits log2 10) + 1
};

// The plan for the index the user asks: an index that leaves fewer than 100
// stored digits beyond it is pulled back to storedDigits - 100; below 36 (or
// negative) nothing but the first binary digits is checked.
CheckPlan PlanCheck(double index, double storedDigits);

// The first step: frac(2^position x the stored number), right to well beyond
// 24 binary digits; digits is the count checked, for the sizes of the product.
using FirstStep =
    std::function<double(const CompressedNumber& stored, double digits, double position)>;

// The first step on disk: 2^position by squarings of disk numbers, times the
// top of the stored number.
double FirstStepOnDisk(const CompressedNumber& stored, double digits, double position);

// The check dialogue on the compressed result `name`; a missing or damaged
// file ends the run with a message naming it, before any question.
void CheckPiResult(const std::string& name, const FirstStep& firstStep);

// count binary digits of the fraction f in [0, 1), then "\n".
void PrintBinaryDigits(double f, long count);
// Whether two fractions agree to within 2^-count as points of a circle: 0.99999999
// and 0.00000001 differ by 2 10^-8, not by almost 1, when the true value lies
// next to a whole number.
bool SameBinaryDigits(double f1, double f2, long count);
