// The resume file of multi-run computations.
#pragma once

constexpr const char* kParamFileName = "ParamNumora";

// Ends the run with a clear message about a damaged "ParamNumora".
[[noreturn]] void ParamFileDamaged();
