// Subnormal numbers take a microcode path on x86 that costs tens of times a
// normal multiply, and a decaying tail sits in that range for thousands of
// samples. Processing runs with flush-to-zero and denormals-are-zero; the
// caller's control register comes back unchanged, as hosts expect.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(_M_IX86_FP)
#include <xmmintrin.h>
#define QUELT_HAVE_MXCSR 1
#else
#define QUELT_HAVE_MXCSR 0
#endif

class DenormalGuard
{
public:
#if QUELT_HAVE_MXCSR
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;

    DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(saved); }

private:
    unsigned saved;
#else
    DenormalGuard() {}
#endif

public:
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;
};
