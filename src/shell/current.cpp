#include "shell/current.h"

namespace {
ConstantComputation* current = nullptr;
}

void SetCurrentComputation(ConstantComputation* computation) { current = computation; }
ConstantComputation* GetCurrentComputation() { return current; }
