// Compressed results: nine digits in every 32-bit word, in the files of a disk number.
#pragma once

class MPInt;

// False while this build cannot write compressed results.
bool CompressedResultsAvailable();
void CompressResult(const MPInt& number, double digits, const char* name);
