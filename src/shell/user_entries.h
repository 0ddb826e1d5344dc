// Menu entry 8, the check of a compressed Pi: it waits for the products of
// two disk numbers, which its first step needs.
#pragma once

void CheckCompressedPi(const char* baseName);
