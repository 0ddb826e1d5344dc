#include "shell/unavailable.h"

#include <cstdio>
#include <cstdlib>

#include "shell/computation.h"
#include "shell/error_report.h"

void RequireAvailable(const ConstantComputation& computation, bool implemented) {
  const char* what = nullptr;
  if (!implemented)
    what = "The computation of %s is not available in this version of Numora.\n";
  else if (computation.Mode != kModeStandard)
    what = "The disk memory modes are not available in this version of Numora (%s).\n";
  if (what == nullptr) return;
  std::printf(what, computation.GetName().c_str());
  std::fflush(stdout);
  std::exit(kExitFailure);
}
