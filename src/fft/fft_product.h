// What the layers above need of the FFT set-up: its size and memory, and the
// spectrum cache mark.
#pragma once

// The largest transform of the run (NFFT), 0 before InitFFT.
long GetNFFT();

// Bytes that InitFFT(n) takes.
double FFTMemory(long n);

// The spectrum cache: the caller marks, just before a product, that the spectrum
// of that product's first operand is already in the first work array.
void MarkSpectrumCached();
