// The abstract computation of one constant: its parameters, the parameter
// dialogue, and the run driver that times it and writes the result file.
#pragma once

#include <cstdio>
#include <string>

class MPInt;
class ResultFile;

// Modes of computation.
constexpr int kModeStandard = 0;
constexpr int kModeBasicDisk = 1;
constexpr int kModeAdvancedDisk = 2;

// Bounds of the digit count. The upper bound keeps every number of a run
// within the largest disk layout (2^31 limbs of 12 digits), with room for the
// intermediate numbers, which are larger than the result.
constexpr double kMinDigits = 10000;
constexpr double kMaxDigits = 2e10;

class ConstantComputation {
 public:
  double Digits = 0;            // decimal digits wanted
  int Mode = -1;                // kModeStandard, kModeBasicDisk, kModeAdvancedDisk
  long FFTSize = 0;             // largest transform, in points
  int Compressed = -1;          // nonzero: compressed result
  double PreviousDuration = 0;  // seconds of the earlier runs (multi-run)
  double TimeThreshold = 0;     // seconds after which a multi-run stops; <= 0 single run
  double RunStart = 0;          // GetSeconds() when Compute started
  FILE* ParamFile = nullptr;    // non-null: this run continues an earlier one
  MPInt* Result = nullptr;      // the finished number, owned

  virtual ~ConstantComputation() = default;

  // Nonzero when the constant is finished and stored in Result; 0 when a
  // multi-run computation stopped at its time threshold.
  virtual int Compute() = 0;
  virtual void ChooseParameters();
  virtual void WriteParams(FILE* stream);
  virtual void ReadParams(FILE* stream);
  virtual int GetTypeCode() const = 0;
  virtual std::string GetName() const = 0;
  virtual std::string GetResultFileName() const = 0;
  virtual void PrintMethod(FILE* /*stream*/) const {}
  // memory in bytes, disk memory in kilobytes, for a transform of fftSize points.
  virtual void EstimateMemory(long fftSize, double* memory, double* diskMemory) const = 0;
  // Rows first .. end-1 of the FFT table, and their time factors (0: none).
  virtual void GetFFTSizeRange(int* first, int* end, double factors[10]) const;
  virtual void PrintMemoryUsed() const;
  virtual void AskTimeThreshold();
  // -1 no check, 0 wrong, other values right.
  virtual int CheckResult() { return -1; }
  virtual int Run();
  virtual int HasDiskModes() const { return 1; }
  // Nonzero when this build computes the constant in the disk mode `mode`.
  virtual int HasDiskDriver(int /*mode*/) const { return 0; }
  virtual int IsMultiRun() const { return 0; }
  // Appends the digits (or writes the compressed result) for the result file.
  virtual void OutputResult(ResultFile& file);
  // Called once the finished computation's "ParamNumora" is deleted: releases
  // the files of the numbers that it described.
  virtual void ForgetSavedState() {}

  // The largest row of the FFT table for the digit count and mode, in units
  // of 1024 points (the first row is this shifted right by the range's first).
  long TableUnits() const;
  // The first (fastest) row, which is also the largest FFT size accepted.
  long FirstRowUnits() const;
  // The fastest row whose memory estimate fits in memoryBytes (the smallest
  // row when none fits; any row when memoryBytes is 0), in units of 1024.
  long FittingFFTUnits(double memoryBytes) const;
  // FFTSize from an entry in k, brought down to a row of the table.
  void SetFFTUnits(long k);

  // Set by Run: the verdict of CheckResult (-1 no check, 0 wrong).
  int Verdict = -1;
  // False when the parameters come from the command line: nothing is asked.
  bool Interactive = true;
};

// Saves the state for the next run in "ParamNumora", in place of the
// previous one as one atomic change, flushed to the disk.
void SaveParamFile(ConstantComputation& computation);
// 1 when the time threshold of this run is passed, or a stop was asked (Ctrl-C).
int TimeThresholdReached(const ConstantComputation& computation);

// The time factors of the Pi and e computations, by mode.
void PiTimeFactors(int mode, double factors[10]);

// Largest useful transform (in units of 1024 points) for the digit count,
// before the table's cap: the smallest power of two n with n * 12288 >= digits.
long LargestFFTUnits(double digits, int first);

// The reason a digit count is refused, or "" when it is accepted.
std::string DigitsRefusal(double digits);
