// The memory of the disk modes: the disk buffer, the streaming buffer that the
// drivers lend around the linear passes, and the estimate of the dialogue.
#pragma once

// Physical memory (bytes) of the disk modes' set-up for working size n: the FFT
// context, the shared scratch number, the disk buffer and the local runs of
// the streaming passes; with ntt (the advanced mode) also the NTT tables of
// InitNTT(2 n, digits) and the CRT tables of a product over all their primes.
double DiskMemoryEstimate(long n, bool ntt, double digits);

// Sets up a run that uses disk numbers, working size n (the FFT size): the FFT
// and its scratch number, the disk buffer of 2 floor(n/3) usable doubles, the
// byte counters at zero, the NTT not set up (InitNTT follows when the run
// multiplies by NTT), no buffer lent. Returns the usable size.
long InitDiskBuffers(long n);

// The disk buffer for an operation that works in it (products, ShiftAndAdd);
// a fatal error while it is lent or before InitDiskBuffers.
double* DiskWorkBuffer(const char* user);
// The usable doubles of the disk buffer, 2 floor(n/3).
long DiskBufferSize();
// floor(NFFT / 3): the limbs of one FFT piece and the run length of the
// passes that work in the disk buffer.
long DiskPieceLimbs();

// Lends the first `size` limbs of the disk buffer to the streaming passes for
// the life of the object.
class DiskBufferLoan {
 public:
  explicit DiskBufferLoan(long size);
  ~DiskBufferLoan();
  DiskBufferLoan(const DiskBufferLoan&) = delete;
  DiskBufferLoan& operator=(const DiskBufferLoan&) = delete;
};
