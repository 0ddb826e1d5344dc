// The computation being run: set once per process, read by the error report.
#pragma once

class ConstantComputation;

void SetCurrentComputation(ConstantComputation* computation);
ConstantComputation* GetCurrentComputation();
