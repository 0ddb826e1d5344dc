#include "shell/computation.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "mpint/mpint.h"
#include "output/compressed.h"
#include "output/output_number.h"
#include "shell/clock.h"
#include "shell/console.h"
#include "shell/error_report.h"
#include "shell/files.h"
#include "shell/memory.h"
#include "shell/platform.h"
#include "shell/progress.h"
#include "shell/result_file.h"
#include "shell/resume.h"
#include "shell/unavailable.h"
#include "shell/version.h"

namespace {

// Largest transform of the table in units of 1024 points (32768 k = 2^25 points).
constexpr long kMaxFFTUnits = 32768;

// Re-asking is bounded so that no answer sequence keeps the dialogue going forever.
void CountWrongAnswer(int& wrong) {
  if (++wrong >= 4 * kMaxBadAnswers) TooManyInvalidAnswers();
}

// A row that needs more memory than the machine has is warned of before the
// run starts; the run goes on, since the user may know better (memory that
// other programs give back, swap).
void WarnWhenMemoryIsShort(const ConstantComputation& c) {
  const double machine = PhysicalMemoryBytes();
  double memory, disk;
  c.EstimateMemory(c.FFTSize, &memory, &disk);
  if (machine <= 0 || memory <= machine) return;
  Warning("Warning: this computation needs about %.0lf K of memory and this machine has %.0lf K;"
          " it may fail or be very slow (a smaller FFT size needs less).",
          memory / 1024, machine / 1024);
}

}  // namespace

long LargestFFTUnits(double digits, int first) {
  const long cap = kMaxFFTUnits << first;
  long n = 1;
  if (digits > 12288) {
    while (n < cap && static_cast<double>(n) * 12 * 1024 < digits) n *= 2;
  }
  return n < cap ? n : cap;
}

std::string DigitsRefusal(double digits) {
  if (digits < kMinDigits) return "Error, should compute at least 10000 digits";
  if (digits > kMaxDigits)
    return "Error, Numora computes at most 20000000000 digits (the largest numbers it can hold)";
  return "";
}

void PiTimeFactors(int mode, double factors[10]) {
  static const double kStandard[10] = {0, 1.1, 1.3, 1.7, 2.7, 4.7, 0, 0, 0, 0};
  static const double kBasicDisk[10] = {0, 1.0, 1.3, 1.8, 3.0, 5.1, 7.3, 0, 0, 0};
  static const double kAdvancedDisk[10] = {0, 0, 1.0, 1.1, 1.2, 1.4, 1.9, 2.5, 0, 0};
  const double* table = mode == kModeStandard    ? kStandard
                        : mode == kModeBasicDisk ? kBasicDisk
                                                 : kAdvancedDisk;
  for (int i = 0; i < 10; i++) factors[i] = table[i];
}

void ConstantComputation::GetFFTSizeRange(int* first, int* end, double factors[10]) const {
  *first = Mode == kModeStandard ? 0 : Mode == kModeBasicDisk ? 1 : 2;
  *end = *first + 6;
  for (int i = 0; i < 10; i++) factors[i] = 0;
}

void ConstantComputation::PrintMemoryUsed() const {
  ProgressPrint("Total Physical Memory Allocated = %.0lf Kbytes\n",
                static_cast<double>(TotalAllocatedBytes()) / 1024);
}

long ConstantComputation::TableUnits() const {
  int first, end;
  double factors[10];
  GetFFTSizeRange(&first, &end, factors);
  long n = LargestFFTUnits(Digits, first);
  // A small count in a disk mode would leave no row at all: offer 1 k.
  if ((n >> first) <= 0) n = 1L << first;
  return n;
}

long ConstantComputation::FirstRowUnits() const {
  int first, end;
  double factors[10];
  GetFFTSizeRange(&first, &end, factors);
  return TableUnits() >> first;
}

long ConstantComputation::FittingFFTUnits(double memoryBytes) const {
  int first, end;
  double factors[10];
  GetFFTSizeRange(&first, &end, factors);
  const long n = TableUnits();
  long smallest = n >> first;
  for (int i = first; i < end && (n >> i) > 0; i++) {
    const long s = n >> i;
    double memory, disk;
    EstimateMemory(s * 1024, &memory, &disk);
    if (memoryBytes <= 0 || memory <= memoryBytes) return s;
    smallest = s;
  }
  return smallest;
}

void ConstantComputation::SetFFTUnits(long k) {
  long p = TableUnits();
  while (p > k) p /= 2;
  FFTSize = p * 1024;
}

void ConstantComputation::ChooseParameters() {
  int wrong = 0;
  if (HasDiskModes() == 0) {
    std::printf("Computation mode : standard (no disk swapping mode available)\n");
    Mode = kModeStandard;
  } else {
    std::printf("Choose your computation mode :\n");
    std::printf("[0] standard mode (no disk memory used)\n");
    std::printf("[1] basic disk memory mode (for big computations)\n");
    std::printf("[2] advanced disk memory mode (for huge computations)\n");
    for (;;) {
      long mode = AskLong("Enter your choice : ");
      if (mode >= 0 && mode <= 2) {
        Mode = static_cast<int>(mode);
        break;
      }
      std::printf("Error, the computation mode should be 0, 1 or 2\n");
      CountWrongAnswer(wrong);
    }
    std::printf("\n");
  }

  for (;;) {
    Digits = Floor(AskDouble("Number of decimal digits : "));
    const std::string refused = DigitsRefusal(Digits);
    if (refused.empty()) break;
    std::printf("%s\n", refused.c_str());
    CountWrongAnswer(wrong);
  }

  int first, end;
  double factors[10];
  GetFFTSizeRange(&first, &end, factors);
  const long n = TableUnits();

  std::printf("Possible FFT modes, with approximate needed memory :\n");
  std::printf("\n");
  for (int i = first; i < end; i++) {
    long s = n >> i;
    if (s <= 0) continue;
    double memory, disk;
    EstimateMemory(s * 1024, &memory, &disk);
    std::printf("FFT Size=%4ld k, Mem=%.0lf K", s, memory / 1024);
    if (Mode != kModeStandard) std::printf(", MemDisk=%.0lf k", disk);
    if (i == first)
      std::printf(" (Fastest mode)\n");
    else if (factors[i] > 0)
      std::printf(" (Time: Fastest mode * %.1lf) \n", factors[i]);
    else
      std::printf("\n");
  }
  std::printf("...\n\n");

  long k = 0;
  while (k <= 0) {
    k = AskLong("Enter FFT Size in k :");
    if (k > (n >> first)) {
      std::printf("Error, your FFT size is too large\n");
      k = 0;
    } else if (k < 0) {
      std::printf("Error, your FFT size should be positive\n");
    }
    if (k <= 0) CountWrongAnswer(wrong);
  }
  std::printf("\n");
  SetFFTUnits(k);

  Compressed = static_cast<int>(
      AskLong("Compressed output (also useful to specify output format) ? [0=No, 1=Yes] : "));
  std::printf("\n");
}

int ConstantComputation::Run() {
  // Refused before anything is asked or written while the disk modes are missing.
  RequireAvailable(*this, true);
  // Found now, not after hours of computing when the files cannot be named.
  if (Compressed != 0) {
    const std::string refused = CompressedNameRefusal(GetName());
    if (!refused.empty()) Refuse("%s", refused.c_str());
  }
  WarnWhenMemoryIsShort(*this);
  if (IsMultiRun() && Interactive) AskTimeThreshold();
  const std::string file = GetResultFileName();
  const std::string version = GetVersion();
  const std::string name = GetName();

  // The result is built beside the previous one, which it replaces only once
  // complete: a run that fails or is cancelled leaves the previous result.
  ResultFile result(file, ParamFile == nullptr, IsMultiRun() != 0);
  // The header again when the reports of the earlier runs are lost.
  if (ParamFile == nullptr || !result.PartialExists()) {
    FILE* f = result.Open();
    std::fprintf(f, "Program : Numora version %s\n", version.c_str());
    std::fprintf(f, "Computation of %.0lf digits of %s\n", Digits, name.c_str());
    PrintMethod(f);
    std::fprintf(f, "Size of FFT : %ld K\n", FFTSize / 1024);
    double memory, disk;
    EstimateMemory(FFTSize, &memory, &disk);
    std::fprintf(f, "Physical memory used : ~ %.0lf K\n", memory / 1024);
    std::fprintf(f, "Disk memory used : ~ %.2lf Meg\n", disk / 1024);
    result.Close(f);
  }
  if (Mode != kModeStandard) {
    ResetTimer(kTimerDiskRead);
    ResetTimer(kTimerDiskWrite);
  }

  char start[kTimeStringSize], stop[kTimeStringSize];
  GetTimeString(start);
  RunStart = GetSeconds();
  int finished;
  {
    // Ctrl-C stops a multi-run computation at its next save point.
    std::optional<DeferredStop> deferred;
    if (IsMultiRun()) deferred.emplace();
    finished = Compute();
  }
  ProgressEnd();
  const double duration = GetSeconds() - RunStart;
  GetTimeString(stop);

  FILE* f = result.Open();
  std::fprintf(f, "------------------------------------------------------------\n");
  std::fprintf(f, "Computation run information :\n\n");
  std::fprintf(f, "Start : %s", start);
  std::fprintf(f, "End   : %s", stop);
  std::fprintf(f, "Duration : %.2lf seconds\n", duration);
  if (Mode != kModeStandard) {
    double r = TimerValue(kTimerDiskRead), w = TimerValue(kTimerDiskWrite);
    std::fprintf(f, "\nTime spent in disk swapping : %.0lf s (reading %.0lf, writing %.0lf)\n",
                 r + w, r, w);
  }
  result.Close(f);
  std::printf("---------------------------------------------------------------\n");

  double total = duration;
  if (IsMultiRun()) {
    std::printf("Computation time of this run : %.2lf seconds\n", duration);
    if (!finished) {
      if (PreviousDuration + duration > 0)
        std::printf("Time including previous run: %.2lf seconds\n", PreviousDuration + duration);
      std::printf("Do not forget to continue your computation in a next run !\n");
      return 0;
    }
    total = duration + PreviousDuration;
    // The reports of the runs stay as they are until the complete file is in place.
    result.Finish();
  }
  std::printf("Total computation time : %.2lf seconds(~ %.2lf hours)\n", total, total / 3600);
  std::printf("Writing informations into file %s\n", file.c_str());
  f = result.Open();
  std::fprintf(f, "============================================================\n");
  std::fprintf(f, "Total computation time : %.2lf seconds (~ %.2lf hours)\n", total, total / 3600);
  std::fprintf(f, "============================================================\n");
  result.Close(f);
  std::printf("\n");

  Verdict = CheckResult();
  if (Verdict == 0)
    std::printf("*** ERROR in computation ***\n");
  else if (Verdict != -1)
    std::printf("The computation seems OK\n");

  OutputResult(result);
  result.Commit();
  if (IsMultiRun()) {
    // Kept until the result is in place: a run that fails before continues
    // from it.
    std::remove(kParamFileName);
    ForgetSavedState();
  }
  if (Result != nullptr) Result->Free();
  // Only the scratch files this run created (those of the disk products).
  RemoveScratchFiles();
  return 1;
}

void ConstantComputation::OutputResult(ResultFile& result) {
  if (Result != nullptr) {
    const std::string name = GetName();
    if (Compressed != 0 && CanCompress(*Result)) {
      std::printf("Compressing result file ...\n");
      CompressResult(*Result, Digits, name.c_str(), FFTSize);
    } else {
      // The packed words carry no sign: the digits are kept as text rather than lost.
      if (Compressed != 0)
        std::printf("A negative result cannot be stored compressed: "
                    "the digits are written as text.\n");
      std::printf("Appending result to file %s ...", result.FinalName().c_str());
      std::fflush(stdout);
      FILE* f = result.Open();
      OutputNumber(*Result, name.c_str(), Digits, f, 0, 1);
      result.Close(f);
    }
  }
  std::printf("\n");
}
