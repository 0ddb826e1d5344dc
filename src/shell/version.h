#pragma once

#include <string>

// The version printed in the banner and in result-file headers.
std::string GetVersion();
