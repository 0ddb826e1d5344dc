// Compressed results: the digits of a number named N as base-10^9 words, nine
// digits in every 32-bit word and three 12-digit limbs in 16 bytes, in the
// part files N-00, N-01, ... of a packed disk number, with the text file
// N-info of four lines: the digit count, the length in limbs (padded to a
// multiple of 3), the exponent of the lowest limb and the FFT size of the run.
#pragma once

#include <string>
#include <vector>

#include "disk/disk_int.h"
#include "mpint/mpint.h"

// "" when name can name a compressed result (the files of a disk number),
// else the reason.
std::string CompressedNameRefusal(const std::string& name);

// False for a number the layout cannot hold (a negative one: the words carry
// no sign).
bool CanCompress(const MPInt& number);

// Writes the pair of files of the number (12-digit limbs, not negative).
// Both are written aside and put in place only when complete: a run that
// fails leaves the previous pair, or none, never a pair that lies.
void CompressResult(const MPInt& number, double digits, const char* name, long fftSize);

// What the info file says.
struct CompressedInfo {
  double Digits = 0;  // decimal digits after the point
  long Size = 0;      // limbs stored, a multiple of 3
  long Offset = 0;    // exponent of the lowest limb
  long FFTSize = 0;   // transform size of the run that wrote it; 0 when absent
};

// A compressed result opened for reading. Its limbs come from the packed
// files through a window of limbs, so that many short reads (a few digits
// every y digits) touch the files once per window, not once per read.
class CompressedNumber : public MPInt {
 public:
  // Reads name-info and checks the data files against it (their sizes and
  // every word): "" when the pair is sound, else a message naming the file.
  // needFFTSize: a missing fourth line is damage.
  std::string Open(const std::string& name, bool needFFTSize = false);

  const CompressedInfo& Info() const { return info_; }
  int GetType() const override { return 3; }
  void WriteToBuffer(double* dst, long count, long start) const override;
  int GetNbDecPerLimb() const override { return 12; }
  long GetOffset() const override { return info_.Offset; }

 private:
  std::string CheckParts() const;
  std::string CheckWords() const;

  DiskInt packed_;
  CompressedInfo info_;
  mutable std::vector<double> window_;
  mutable long windowStart_ = 0;
};
