// The menu entries that later subsystems provide: compressed results and the
// check of a compressed Pi.
#pragma once

#include <string>

void DecompressResult(const std::string& name, double digits, long size, long offset);
void CheckCompressedPi(const char* baseName);
