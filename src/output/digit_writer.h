// Decimal text of a number: groups of ten digits, lines with counters.
#pragma once

#include <cstdio>

class MPInt;

// The six integers that shape digit text; the defaults are the layout of result files.
struct OutputFormat {
  long DigitsPerLine = 50;
  long Counter = 1;
  long EmptyLineEvery = 500;
  long SpaceEvery10 = 1;
  long SpaceEvery50 = 0;
  long SpaceEvery100 = 0;
};

// Writes the digits start < position <= end (integer part first when start is 0), then "\n".
void PrintDigits(const MPInt& number, FILE* stream, int sign, double start, double end,
                 const OutputFormat& format);
// What follows a group of ten digits ending at position pos.
void PrintSeparator(FILE* stream, double pos, const OutputFormat& format);
// The whole number value (< 10^k) as exactly k digits, k = 2, 4, ..., 12.
void PrintFixedDigits(FILE* stream, double value, int k);
