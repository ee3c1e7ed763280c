#pragma once
// Which vector kernels this processor runs. Decided once; the kernels check it per call.
// ORMA_SIMD=plain in the environment keeps to the plain loops (the tests run both).
#include <cstdlib>
#include <cstring>

// AVX2 with fused multiply-add (every x86-64 from 2013 on); false elsewhere.
inline bool hasAvx2Fma()
{
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool has = [] {
        const char *forced = std::getenv("ORMA_SIMD");
        if (forced && std::strcmp(forced, "plain") == 0)
            return false;
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    }();
    return has;
#else
    return false;
#endif
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ORMA_AVX2_KERNELS 1
#define ORMA_TARGET_AVX2 __attribute__((target("avx2,fma")))
// The AVX2 one of two kernels of the same signature where the processor runs it.
#define ORMA_KERNEL(avx2, plain) (hasAvx2Fma() ? (avx2) : (plain))
#else
#define ORMA_KERNEL(avx2, plain) (plain)
#endif
