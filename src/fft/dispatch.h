// Vector kernels: on x86-64 each is compiled twice (AVX2 and the baseline) and
// the loader picks one for the processor; elsewhere the compiler's own vector
// code for the target is used. Vectors are GCC/clang vector extensions.
#pragma once

#if defined(__x86_64__)
#define NUMORA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define NUMORA_VECTOR_CLONES
#endif

#define NUMORA_INLINE __attribute__((always_inline)) inline

// Lanes of two 4-lane vectors picked by constant indices.
#if defined(__clang__) || __GNUC__ >= 12
#define NUMORA_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shufflevector(a, b, i0, i1, i2, i3)
#else
typedef long NumoraIndex4 __attribute__((vector_size(32)));
#define NUMORA_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shuffle(a, b, NumoraIndex4{i0, i1, i2, i3})
#endif
