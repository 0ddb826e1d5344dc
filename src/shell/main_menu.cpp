#include "shell/main_menu.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "constants/e_computation.h"
#include "constants/pi_chudnovsky.h"
#include "constants/pi_ramanujan.h"
#include "constants/sqrt2.h"
#include "output/compressed.h"
#include "output/output_number.h"
#include "shell/computation.h"
#include "shell/console.h"
#include "shell/current.h"
#include "shell/debug_state.h"
#include "shell/error_report.h"
#include "shell/platform.h"
#include "shell/resume.h"
#include "shell/user_entries.h"
#include "userconst/user_constant.h"
#include "shell/version.h"

namespace {

// The computation a resume file describes, or null for an unknown type code.
ConstantComputation* ComputationForTypeCode(long code) {
  switch (code) {
    case 1: return new PiChudnovskyComputation();
    case 2: return new PiRamanujanComputation();
    case 20: return new EComputation(0);
    case 21: return new EComputation(1);
    default: return nullptr;
  }
}

ConstantComputation* Resume(FILE* param) {
  // Only Pi and e span several runs.
  const long code = ParamReader(param).Long("the type of computation", 1, 21);
  ConstantComputation* computation = ComputationForTypeCode(code);
  if (computation == nullptr)
    ParamFileDamaged("the type of computation " + std::to_string(code) +
                     " is neither Pi nor e");
  computation->ReadParams(param);
  std::printf("A Parameter file exists that permits to go on with previous\n");
  std::printf("runs on the following parameters :\n\n");
  std::printf("Constant computed         : %s\n", computation->GetName().c_str());
  computation->PrintMethod(stdout);
  std::printf("Number of digits          : %.0lf\n", computation->Digits);
  std::printf("Duration of previous runs : %.0lf seconds\n", computation->PreviousDuration);
  std::printf("\n");
  std::printf("If you do not want to continue this computation, kill\n");
  std::printf("the execution and destroy the file named \"ParamNumora\".\n");
  std::printf("\n");
  return computation;
}

}  // namespace

int MainMenu() {
  std::printf("Numora, version %s\n", GetVersion().c_str());
  std::printf("\n");
  DebugState().NTTTablesOn = 0;

  ConstantComputation* computation = nullptr;
  FILE* param = std::fopen(kParamFileName, "r");
  if (param != nullptr) {
    LockOrRefuse();
    computation = Resume(param);
  } else {
    std::printf("Menu : \n");
    std::printf("[0] Compute Pi with Chudnovsky method (Fastest)\n");
    std::printf("[1] Compute Pi with Ramanujan method\n");
    std::printf("[2] Compute E by the exponential series exp(1)\n");
    std::printf("[3] Compute E by the exponential series 1/exp(-1)\n");
    std::printf("[4] Compute Sqrt(2) (useful for testing)\n");
    std::printf("[5] Define your constant with hypergeometric series\n");
    std::printf("[6] Compute a user constant from a .numora file\n");
    std::printf("[7] Decompress a result file\n");
    std::printf("[8] Check a compress result Pi file\n");
    long choice = AskLong("Enter your choice : ");
    std::printf("\n");
    if ((choice >= 0 && choice <= 4) || choice == 6) LockOrRefuse();
    switch (choice) {
      case 0: computation = new PiChudnovskyComputation(); break;
      case 1: computation = new PiRamanujanComputation(); break;
      case 2: computation = new EComputation(0); break;
      case 3: computation = new EComputation(1); break;
      case 4: computation = new Sqrt2Computation(); break;
      case 5: DefineUserConstant(); return 0;
      case 6: computation = LoadUserConstant(); break;
      case 7: DecompressMenu(); return 0;
      case 8: CheckCompressedPi("Pi"); return 0;
      default: return 0;
    }
  }

  if (param == nullptr) computation->ChooseParameters();
  return RunComputation(*computation);
}

void LockOrRefuse() {
  long holder = 0;
  if (!LockWorkingDirectory(&holder))
    Refuse("Another Numora computation (process %ld) is running in this directory.\n"
           "Wait until it ends, or start Numora in another directory.",
           holder);
}

int RunComputation(ConstantComputation& computation) {
  SetCurrentComputation(&computation);
  InstallStopSignals();
  computation.Run();
  // A result whose check failed is written, but the run is not a success.
  return computation.Verdict == 0 ? kExitFailure : 0;
}

void DecompressMenu() {
  std::printf("Decompress : \n");
  std::printf("[0] The latest Pi compressed file\n");
  std::printf("[1] The latest E compressed file\n");
  std::printf("[2] The latest Sqrt2 compressed file\n");
  std::printf("[3] The latest user constant compressed file\n");
  long choice = AskLong("Enter your choice : ");
  std::string name;
  switch (choice) {
    case 0: name = "Pi"; break;
    case 1: name = "E"; break;
    case 2: name = "Sqrt2"; break;
    case 3:
      std::printf("Enter the constant name : ");
      name = ReadWord(200);
      break;
    default: std::printf("Error, unavailable option\n"); return;
  }

  CompressedNumber number;
  const std::string damaged = number.Open(name);
  if (!damaged.empty()) Refuse("%s", damaged.c_str());
  std::printf("*******************************************************\n");
  std::printf("\n");
  std::printf("Decompressing %s file\n", name.c_str());
  std::printf("\n");
  OutputNumber(number, name.c_str(), number.Info().Digits, nullptr, -1, 0);
}
