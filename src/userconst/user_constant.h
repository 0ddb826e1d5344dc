// A user constant: a named rational combination of hypergeometric series,
//   C = sum_{0<=i<N} beta_i * H_i,
// defined at the console (menu entry 5), kept in a ".numora" text file, and
// computed from that file in standard mode (menu entry 6).
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "shell/computation.h"
#include "userconst/fraction.h"
#include "userconst/hypergeom.h"

constexpr const char* kConstantFileSuffix = ".numora";
// More series than this in one constant is taken for a damaged count.
constexpr long kMaxSeries = 1000;

// Menu entry 5: the definition dialogue, saved to a file.
void DefineUserConstant();
// Menu entry 6: the user constant loaded from the file the user names, ready
// for the parameter dialogue.
ConstantComputation* LoadUserConstant();
// The same from a file named on the command line; a missing file ends the run.
ConstantComputation* LoadUserConstant(const std::string& file);

class UserConstantComputation : public ConstantComputation {
 public:
  UserConstantComputation() = default;

  // The definition dialogue; saves the constant to its file.
  void Define();
  // Asks a file name until one opens, then reads the constant from it. A
  // damaged file ends the run with a message naming it.
  void LoadUserConstantFile();
  // Opens the file as typed or with the suffix added; null when neither
  // opens. used is the last name tried.
  static FILE* OpenConstantFile(const std::string& typed, std::string* used);
  // Reads the constant from the open file (closed here) and shows it.
  void LoadFrom(FILE* file, const std::string& used);
  // Reads the constant; 0 with the reason on a damaged file.
  int Unstream(FILE* file, std::string* why);
  void WriteUserConstantFile(FILE* file) const;
  // Comments typed at the console, up to the line ".".
  void ReadComments();
  // Asks the series type and defines one series.
  std::unique_ptr<Hypergeom> DefineUserConstantSeries();
  double ApproximateValue() const;

  const std::string& GetConstantName() const { return name_; }
  const std::string& GetComments() const { return comments_; }
  long GetSeriesCount() const { return static_cast<long>(series_.size()); }
  Hypergeom& GetSeries(long i) { return *series_[i]; }

  // ConstantComputation.
  int Compute() override;
  int GetTypeCode() const override { return 100; }
  std::string GetName() const override { return name_; }
  std::string GetResultFileName() const override { return name_ + ".txt"; }
  void EstimateMemory(long fftSize, double* memory, double* diskMemory) const override;
  int HasDiskModes() const override { return 0; }

 private:
  void AskConstantName();
  // Asks a file name and creates the file (confirming an overwrite).
  void SaveToFile();

  std::string name_;
  std::string comments_;
  std::vector<Fraction> betas_;
  std::vector<std::string> betaTexts_;
  std::vector<std::unique_ptr<Hypergeom>> series_;
};
