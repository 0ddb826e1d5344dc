#include "shell/user_entries.h"

#include "shell/error_report.h"

// Once MulDiskInt and SquareDiskInt exist, this becomes
// CheckPiResult(baseName, FirstStepOnDisk) (verify/pi_check.h).
void CheckCompressedPi(const char*) {
  Refuse("The check of a compressed Pi result is not available in this version of Numora.");
}
