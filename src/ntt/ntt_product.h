// Products of disk numbers by number-theoretic transforms modulo NCRT special
// primes, rebuilt by Chinese remaindering.
//
// The operands are cut into coefficients of CRTNbDec digits and reduced modulo
// every prime; for each prime the two residue vectors are transformed,
// multiplied and transformed back, and the coefficients of the product are
// rebuilt from their NCRT residues and added into the result's limbs. Only one
// prime's vectors are in memory at a time (the FFT arrays); the others wait in
// scratch files of this process, which are removed before the product returns
// (or at any exit), except the first operand's when they are kept for the next
// product (KeepNTT0 / NTT0AlreadyComputed of NTT()).
#pragma once

#include <string>

class DiskInt;

// r = a b, keeping the top r.NAlloc limbs (the lower ones are dropped, and so
// are their carries into the kept ones, as in the FFT piece product). a and b
// may be the same number (a square); r may be a or b. freeA / freeB release
// the operand's files (its Free) once its residues exist. The operands must be
// non-negative and in normal form.
void MulDiskIntByNTT(DiskInt& a, DiskInt& b, DiskInt& r, int freeA, int freeB);

// The scratch file of the residues of operand `letter` ('A' or 'B') modulo prime k.
std::string ResidueFileName(char letter, long k);

// What the last product did, and the processor seconds of its parts.
struct NTTProductReport {
  long NCRT = 0, NNTT = 0, CRTNbDec = 0;
  bool ReusedA = false;  // the first operand's residues came from the kept files
  double Residues = 0, Transforms = 0, CRT = 0, FileIO = 0;
};
const NTTProductReport& LastNTTProduct();
