// The menu entries that later subsystems provide: user constants, compressed
// results and the check of a compressed Pi.
#pragma once

#include <string>

class ConstantComputation;

void DefineUserConstant();
// The user constant loaded from its file, ready for the parameter dialogue.
ConstantComputation* LoadUserConstant();
void DecompressResult(const std::string& name, double digits, long size, long offset);
void CheckCompressedPi(const char* baseName);
