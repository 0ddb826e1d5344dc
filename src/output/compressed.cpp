#include "output/compressed.h"

#include "shell/error_report.h"

bool CompressedResultsAvailable() { return false; }

void CompressResult(const MPInt&, double, const char*) {
  error("Compressed results are not available in this version");
}
