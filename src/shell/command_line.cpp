#include "shell/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "constants/e_computation.h"
#include "constants/pi_chudnovsky.h"
#include "constants/pi_ramanujan.h"
#include "constants/sqrt2.h"
#include "shell/computation.h"
#include "shell/error_report.h"
#include "shell/main_menu.h"
#include "shell/memory.h"
#include "shell/platform.h"
#include "shell/resume.h"
#include "shell/version.h"
#include "userconst/user_constant.h"

namespace {

constexpr int kExitUsage = 2;

const char kUsage[] = "Usage: numora [COMMAND DIGITS [OPTION]...]\n";

const char kHelp[] =
    "Computes decimal digits of constants. Without arguments, Numora shows its menu.\n"
    "\n"
    "Commands:\n"
    "  pi DIGITS          Pi, by the Chudnovsky series unless --method says otherwise\n"
    "  e DIGITS           e, by the series of --series\n"
    "  sqrt2 DIGITS       the square root of 2, checked by squaring\n"
    "  const NAME DIGITS  a user constant from the file NAME (the .numora suffix can\n"
    "                     be omitted); define one with menu entry 5, see help.txt\n"
    "DIGITS is a whole number of at least 10000, such as 1000000 or 1e6. The result\n"
    "is written to pi.txt, e.txt, sqrt2.txt or NAME.txt in the current directory.\n"
    "\n"
    "Options:\n"
    "  --method=chudnovsky|ramanujan  method of Pi (default chudnovsky)\n"
    "  --series=0|1         e as the sum of 1/n! (0, the default) or as\n"
    "                       1 / the sum of (-1)^n/n! (1)\n"
    "  --mode=0|1|2         0 standard, in memory (the default); 1 basic disk mode\n"
    "                       (Pi, e, sqrt2); 2 advanced disk mode (not available in\n"
    "                       this version)\n"
    "  --fft-size=K         FFT size in k (1024 points), as in the menu's table\n"
    "                       (default: the fastest size whose memory estimate fits\n"
    "                       in the memory of this machine)\n"
    "  --compressed         store the digits compressed, nine in every four bytes,\n"
    "                       in the files NAME-00, ... and NAME-info (Pi-00 and\n"
    "                       Pi-info for Pi); menu entry 7 writes them as text\n"
    "  --time-threshold=HOURS  disk modes: stop and save after this time (-1: after\n"
    "                       the series); numora without arguments continues\n"
    "                       (default 0: one run)\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "Exit status: 0 when the result is written and its check did not fail,\n"
    "1 when the computation failed, 2 on a wrong command line.\n";

void PrintHelp();

struct Options {
  std::string command, name, digits;
  std::string method, series, mode, fftSize, threshold;
  bool compressed = false;
};

[[noreturn]] void UsageError(const std::string& message) {
  std::fprintf(stderr, "numora: %s\n%sTry 'numora --help' for more information.\n",
               message.c_str(), kUsage);
  std::exit(kExitUsage);
}

// A number in [low, high] given as text (1e6 is accepted); whole unless real.
double Number(const std::string& text, const char* what, double low, double high,
              bool real = false) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v) ||
      (!real && v != std::floor(v)))
    UsageError("'" + text + "' is not a " + (real ? "number" : "whole number") + " (" + what + ")");
  if (v < low || v > high)
    UsageError(std::string("the ") + what + " '" + text + "' is out of range");
  return v;
}

Options Parse(int argc, char** argv) {
  Options o;
  std::string* const valued[] = {&o.method, &o.series, &o.mode, &o.fftSize, &o.threshold};
  const char* const names[] = {"--method", "--series", "--mode", "--fft-size", "--time-threshold"};
  std::string positional[3];
  int count = 0;
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      PrintHelp();
      std::exit(0);
    }
    if (arg == "-V" || arg == "--version") {
      std::printf("Numora, version %s\n", GetVersion().c_str());
      std::exit(0);
    }
    if (arg == "--compressed") {
      o.compressed = true;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      const size_t eq = arg.find('=');
      const std::string key = arg.substr(0, eq);
      int k = 0;
      while (k < 5 && key != names[k]) k++;
      if (k == 5) UsageError("unknown option '" + arg + "'");
      if (eq != std::string::npos) {
        *valued[k] = arg.substr(eq + 1);
      } else if (i + 1 < argc) {
        *valued[k] = argv[++i];
      } else {
        UsageError("option '" + key + "' needs a value");
      }
      continue;
    }
    if (count == 3) UsageError("unexpected argument '" + arg + "'");
    positional[count++] = arg;
  }
  o.command = positional[0];
  const bool named = o.command == "const";
  if (o.command != "pi" && o.command != "e" && o.command != "sqrt2" && !named)
    UsageError(o.command.empty() ? "no command" : "unknown command '" + o.command + "'");
  if (count != (named ? 3 : 2))
    UsageError(named ? "'const' needs a file name and a digit count"
                     : "'" + o.command + "' needs a digit count");
  if (named) o.name = positional[1];
  o.digits = positional[named ? 2 : 1];
  if (!o.method.empty() && o.command != "pi") UsageError("--method is for pi");
  if (!o.method.empty() && o.method != "chudnovsky" && o.method != "ramanujan")
    UsageError("unknown method '" + o.method + "' (chudnovsky or ramanujan)");
  if (!o.series.empty() && o.command != "e") UsageError("--series is for e");
  if (!o.series.empty()) Number(o.series, "series", 0, 1);
  if (!o.mode.empty() && Number(o.mode, "mode", 0, 2) != 0 && named)
    UsageError("a user constant is computed in the standard mode only");
  return o;
}

ConstantComputation* Make(const Options& o) {
  if (o.command == "pi") {
    if (o.method == "ramanujan") return new PiRamanujanComputation();
    return new PiChudnovskyComputation();
  }
  if (o.command == "e")
    return new EComputation(o.series.empty() ? 0 : static_cast<int>(Number(o.series, "series", 0, 1)));
  if (o.command == "sqrt2") return new Sqrt2Computation();
  return LoadUserConstant(o.name);
}

void PrintHelp() {
  std::printf("%s\n%s", kUsage, kHelp);
  const std::string file = FindHelpFile();
  std::printf("\nHelp on user constants: %s\n",
              file.empty() ? "help.txt (installed beside the program)" : file.c_str());
}

}  // namespace

int CommandLine(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  const double digits = std::floor(Number(o.digits, "digit count", 0, 1e300, true));
  const std::string refused = DigitsRefusal(digits);
  // The dialogue's "Error, ..." reads as "numora: ..." here.
  if (!refused.empty()) UsageError(refused.substr(refused.rfind("Error, ", 0) == 0 ? 7 : 0));
  const int mode = o.mode.empty() ? kModeStandard : static_cast<int>(Number(o.mode, "mode", 0, 2));
  double threshold = 0;
  if (!o.threshold.empty()) {
    threshold = Number(o.threshold, "time threshold", -1, kMaxThresholdHours, true);
    // -1 stops after the series; other negative values mean nothing.
    if (threshold < 0 && threshold != -1)
      UsageError("the time threshold '" + o.threshold + "' should be 0 or more hours, or -1");
    if (threshold > 0) threshold *= 3600;
  }

  ErrorsToStandardError(true);
  std::FILE* param = std::fopen(kParamFileName, "r");
  if (param != nullptr) {
    std::fclose(param);
    Refuse("A computation in several runs is under way in this directory (\"%s\"):\n"
           "run numora without arguments to continue it, or delete the file.",
           kParamFileName);
  }
  LockOrRefuse();
  // Like the menu's, the computation lives until the process ends.
  ConstantComputation* computation = Make(o);
  computation->Interactive = false;
  computation->Mode = mode;
  computation->Digits = digits;
  computation->Compressed = o.compressed ? 1 : 0;
  computation->TimeThreshold = threshold;
  const long largest = computation->FirstRowUnits();
  long units = computation->FittingFFTUnits(PhysicalMemoryBytes());
  if (!o.fftSize.empty()) {
    units = static_cast<long>(Number(o.fftSize, "FFT size", 1, 1e9));
    if (units > largest)
      UsageError("the FFT size " + o.fftSize + " k is too large: the largest for this digit count is " +
                 std::to_string(largest) + " k");
  }
  computation->SetFFTUnits(units);
  return RunComputation(*computation);
}
