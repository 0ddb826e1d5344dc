// The resume file of multi-run computations.
#pragma once

#include <cstdio>
#include <string>

constexpr const char* kParamFileName = "ParamNumora";

// The largest time threshold accepted, in hours.
constexpr double kMaxThresholdHours = 100000;

// Ends the run with a clear message about a damaged "ParamNumora": what is
// wrong with it, and how to give the computation up.
[[noreturn]] void ParamFileDamaged(const std::string& why);

// Reads the records of "ParamNumora" one by one; a record that is missing, is
// not a number of the expected kind or lies outside its range ends the run
// through ParamFileDamaged, naming the record.
class ParamReader {
 public:
  explicit ParamReader(FILE* stream) : stream_(stream) {}
  long Long(const char* what, long low, long high);
  double Real(const char* what, double low, double high);
  // Nothing may follow the last record.
  void End();

 private:
  std::string Word(const char* what);
  FILE* stream_;
};
