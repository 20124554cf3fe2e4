#pragma once

// FURLPANE_HOT_PATH marks the few functions the rasterizer spends its time in. On x86-64
// with GCC they are compiled three times, for the baseline processor, for one with AVX2
// (x86-64-v3) and for one with AVX-512 (x86-64-v4), and the loader picks the newest
// version the machine can run. All compute the same bits: the arithmetic is the same IEEE
// operations, expressions are never fused into multiply-adds (-ffp-contract=off), and
// nothing lets the compiler trade exactness for speed (no -ffast-math, so no approximate
// reciprocals or square roots), so the choice only changes the speed. Everything they
// call is inlined into them ("flatten"), so that the helpers run on the same processor as
// the hot path itself and their loops are scheduled together.
//
// Not under ThreadSanitizer: the loader runs the version-picking resolvers while it
// relocates the program, before the sanitizer's runtime is up, and their instrumented
// code crashes there.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define FURLPANE_HOT_PATH __attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default"), flatten))
#else
#define FURLPANE_HOT_PATH
#endif
