#include "shell/user_entries.h"

#include "verify/pi_check.h"

void CheckCompressedPi(const char* baseName) { CheckPiResult(baseName, FirstStepOnDisk); }
