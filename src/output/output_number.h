// Writing a number as decimal text, with its choices fixed or asked on the console.
#pragma once

#include <cstdio>

class MPInt;

// name: header name or null; digits: decimal digits after the point that the
// number holds; stream: null to ask; formatMode: -1 to ask the layout, else the
// default; allDigits: nonzero to write every digit without asking.
void OutputNumber(const MPInt& number, const char* name, double digits, FILE* stream,
                  int formatMode, int allDigits);
