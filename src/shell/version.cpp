#include "shell/version.h"

std::string GetVersion() { return "4.1"; }
