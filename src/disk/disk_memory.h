#pragma once

// Physical memory (bytes) of the disk modes' set-up: the FFT context, the shared
// scratch number and the disk buffer.
double DiskMemoryEstimate(long n);
