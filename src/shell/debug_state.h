// Counters that the subsystems set while they work; the error report prints them.
#pragma once

struct DebugStateData {
  // NTT tables.
  long NTTTablesOn = 0;
  long NNTTMax = 0, NbPrimes = 0, PrimeExponent = 0;
  // NTT product.
  long NTTProductOn = 0;
  long NTTNa = 0, NTTNb = 0, NTTNc = 0;
  long NCRT = 0, NNTT = 0, CRTNbDec = 0;
  long NTT0AlreadyComputed = 0, nFFT0AlreadyComputed = 0, NCRTNTT0AlreadyComputed = 0;
  // Giant steps of the in-memory binary splitting.
  int GiantStep = 0;
  double GiantN0 = 0, GiantN1 = 0;
  long GiantDoComputeA = 0;
  // Giant steps of the disk drivers.
  int GiantStepDisk = 0;
  double GiantDiskN0 = 0, GiantDiskN1 = 0;
  long nBigIntLimit = 0, GiantDiskDoComputeA = 0;
  int Depth = 0;
  // Disk products and sums.
  long MulDiskIntOn = 0, MulNa = 0, MulNb = 0, MulNcAlloc = 0;
  long AddDiskIntOn = 0, AddNa = 0, AddNb = 0, AddNcAlloc = 0;
};

DebugStateData& DebugState();
