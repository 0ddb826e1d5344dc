// Runs the real numora binary in a scratch directory with answers on standard
// input, and reads back what it printed and the files it wrote.
#pragma once

#include <string>
#include <vector>

// Set when the binaries run under the address sanitizer (with either compiler).
#if defined(__SANITIZE_ADDRESS__)
#define NUMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUMORA_SANITIZED 1
#endif
#endif

namespace e2e {

struct RunResult {
  std::string out;  // standard output
  std::string err;  // standard error
  int status = -1;  // exit status, -1 when killed
  int signal = 0;   // the signal that ended it, 0 when it exited
  bool timedOut = false;
  long peakKB = 0;  // the run's peak resident set, in kilobytes
};

// A fresh directory under the system's temporary folder, removed at the end.
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& file) const { return dir_ + "/" + file; }
  bool Exists(const std::string& file) const;
  // Waits up to ten seconds for the file to hold something; false if it never does.
  bool WaitFor(const std::string& file) const;
  std::string Read(const std::string& file) const;
  void Write(const std::string& file, const std::string& content) const;

  // Runs numora here with the given standard input; kills it after timeoutSeconds.
  RunResult Run(const std::string& input, int timeoutSeconds = 120) const;
  // The same with arguments, and optionally with limits in bytes (files
  // beyond fileSizeLimit fail to grow as on a full disk, memory beyond
  // memoryLimit cannot be had) and the fault "ACTION:POINT[:N]" injected.
  RunResult RunWith(const std::vector<std::string>& args, const std::string& input,
                    long fileSizeLimit = 0, int timeoutSeconds = 120, long memoryLimit = 0,
                    const std::string& fault = "") const;
  RunResult RunFault(const std::string& fault, const std::string& input) const {
    return RunWith({}, input, 0, 120, 0, fault);
  }
  // Starts numora with arguments in the background, its input on a pipe that
  // stays open: the run waits at its next question until it ends or is killed.
  struct Started {
    int pid = -1;
    int input = -1;
  };
  Started Start(const std::vector<std::string>& args, const std::string& input) const;
  // Sends the signal to the run (0: none, SIGKILL as a crash would end it),
  // closes its input and waits for it.
  static RunResult Finish(Started& run, int signal = 0, int timeoutSeconds = 120);
  // Runs numora with its output on a pseudo-terminal; returns what the terminal showed.
  RunResult RunInTerminal(const std::vector<std::string>& args, int timeoutSeconds = 120) const;

 private:
  // Forks numora here with the given descriptors as 0, 1 and 2 (-1: /dev/null).
  int Spawn(const std::vector<std::string>& args, int in, int out, int err,
            long fileSizeLimit = 0, long memoryLimit = 0, const std::string& fault = "") const;
  std::string dir_;
};

// The menu answers of a computation: entry, mode, digits, FFT size in k, compressed.
std::string Answers(int entry, int mode, long digits, long fftK, int compressed = 0);
// The digits that follow "<name> = <int>.\n" in a result file, without layout.
std::string ResultDigits(const std::string& resultFile, const std::string& name);
// The names of the files in the scratch directory, sorted.
std::vector<std::string> Files(const Scratch& s);
// The records of "ParamNumora", one per line.
std::vector<std::string> Records(const Scratch& s);
// The first 300 decimals of Pi, and of e after "2.".
extern const std::string kPiDigits, kEDigits;
int Count(const std::string& text, const std::string& needle);
bool Has(const std::string& text, const std::string& needle);

// Pi and e by each series: menu entry, that of the other series, result file,
// name in it, known digits.
struct Constant {
  int entry, other;
  const char* file;
  const char* name;
  const std::string& known;
};
extern const Constant kPi, kPiRamanujan, kE, kEAlternating;
// Every digit of c by its other series in the standard mode, computed once.
const std::string& OtherSeries(const Constant& c, long digits);
// A finished run of c: the check passed, the known digits and the other
// series' digits, and only the result file left.
void ExpectFinished(const Scratch& s, const Constant& c, const RunResult& r, long digits);
// The digits after "1." are those of floor(sqrt(2) 10^D) (reference module).
void ExpectSqrt2Digits(const std::string& digits, long D);

}  // namespace e2e
