// What a computation says when this build cannot run it (yet).
#pragma once

class ConstantComputation;

// Ends the run with a clear message when the computation is not implemented
// (implemented = false) or when a disk mode is asked whose driver is missing.
void RequireAvailable(const ConstantComputation& computation, bool implemented);
