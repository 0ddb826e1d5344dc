// Pi by Ramanujan's series (menu entry 1): the Chudnovsky driver with other terms.
#pragma once

#include "constants/pi_chudnovsky.h"

class PiRamanujanComputation : public PiChudnovskyComputation {
 public:
  int GetTypeCode() const override { return 2; }
  void PrintMethod(FILE* stream) const override;
};
