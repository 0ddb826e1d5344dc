// Menu entry 8, the check of a compressed Pi, its first step on disk numbers.
#pragma once

void CheckCompressedPi(const char* baseName);
