// The check of a result against ten known digits after a few decimal positions.
#pragma once

class MPInt;

struct KnownDigits {
  double Position;   // decimal position p: the digits p+1 .. p+10 follow
  double TenDigits;  // those digits as an integer
};

// 1 when every entry of the table whose position is below the digit count
// agrees with the number (entries from the last to the first), else 0.
int CheckKnownDigits(const MPInt& number, double digits, const KnownDigits* table, int count);
