// Vector kernels: on x86-64 each is compiled twice (AVX2 and the baseline) and
// the loader picks one for the processor; elsewhere the compiler's own vector
// code for the target is used.
#pragma once

#if defined(__x86_64__)
#define NUMORA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define NUMORA_VECTOR_CLONES
#endif
