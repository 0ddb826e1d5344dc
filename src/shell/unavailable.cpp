#include "shell/unavailable.h"

#include <cstdio>
#include <cstdlib>

#include "shell/computation.h"
#include "shell/error_report.h"

void RequireAvailable(const ConstantComputation& computation, bool implemented) {
  const std::string name = computation.GetName();
  if (!implemented)
    Refuse("The computation of %s is not available in this version of Numora.", name.c_str());
  if (computation.Mode != kModeStandard && computation.HasDiskDriver(computation.Mode) == 0)
    Refuse("The disk memory modes are not available in this version of Numora (%s).",
           name.c_str());
}
