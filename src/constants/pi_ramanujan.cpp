#include "constants/pi_ramanujan.h"

void PiRamanujanComputation::PrintMethod(FILE* stream) const {
  std::fprintf(stream, "Method used : Ramanujan\n");
}
