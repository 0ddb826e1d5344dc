// The files of two user constants as entry 5 saves them: ln 2 (one series)
// and Machin's formula for Pi (two series).
#pragma once

#include <string>

namespace e2e {

inline const std::string kFileHead =
    "// Numora user constant file\n"
    "       ***************************************\n"
    "       *                                     *\n"
    "       *    User constant file definition    *\n"
    "       *                                     *\n"
    "       ***************************************\n"
    "\nVersion : 4.1\n";
inline const std::string kLn2File = kFileHead +
    "Constant name : ln2\nComments :\nNatural logarithm of 2\nsecond line : sum Z^n/n\n\n.\n"
    "Number of series : 1\n\nSeries number 0\nBeta : 1\nSeries type : 3\nZ : 1/2\n\n"
    "Constant approximate value : ln2 = 0.693147180560\n";
inline const std::string kMachinFile = kFileHead +
    "Constant name : machin\nComments :\n\n.\nNumber of series : 2\n\n"
    "Series number 0\nBeta : 16\nSeries type : 1\nZ : 1/5\n\n"
    "Series number 1\nBeta : -4\nSeries type : 1\nZ : 1/239\n\n"
    "Constant approximate value : machin = 3.141592653590\n";

}  // namespace e2e
