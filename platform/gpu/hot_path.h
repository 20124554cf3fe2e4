#pragma once

// FURLPANE_HOT_PATH marks the few functions the rasterizer spends its time in. On x86-64
// with GCC they are compiled twice, for the baseline processor and for one with AVX2,
// and the loader picks the version the machine can run. Both compute the same bits:
// the arithmetic is the same IEEE operations, and expressions are never fused into
// multiply-adds (-ffp-contract=off), so the choice only changes the speed. Everything
// they call is inlined into them ("flatten"), so that the helpers run on the same
// processor as the hot path itself and their loops are scheduled together.
//
// Not under ThreadSanitizer: the loader runs the version-picking resolvers while it
// relocates the program, before the sanitizer's runtime is up, and their instrumented
// code crashes there.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(__SANITIZE_THREAD__)
#define FURLPANE_HOT_PATH __attribute__((target_clones("arch=x86-64-v3", "default"), flatten))
#else
#define FURLPANE_HOT_PATH
#endif
