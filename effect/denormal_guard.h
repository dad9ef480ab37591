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

// The register values of the last block, kept by the effect. Loading the
// control register from a value stored just before stalls until every store
// in flight has drained (hundreds of cycles after the processing loops), so
// both values are written only when the host's setting changes.
struct MxcsrValues
{
    unsigned hosts = 0;
    unsigned flushing = 0;
};

class DenormalGuard
{
public:
#if QUELT_HAVE_MXCSR
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;

    explicit DenormalGuard(MxcsrValues& values) : values(values)
    {
        const unsigned now = _mm_getcsr();
        if (now != values.hosts)
        {
            values.hosts = now;
            values.flushing = now | kBoth;
        }
        if ((now & kBoth) != kBoth)
            load(values.flushing);
    }
    // Also takes back the exception flags that processing raised.
    ~DenormalGuard() { load(values.hosts); }

private:
    static constexpr unsigned kBoth = kFlushToZero | kDenormalsAreZero;
#if defined(__GNUC__)
    static void load(const unsigned& value) { __asm__ volatile("ldmxcsr %0" : : "m"(value) : "memory"); }
#else
    static void load(const unsigned& value) { _mm_setcsr(value); }
#endif
    MxcsrValues& values;
#else
    explicit DenormalGuard(MxcsrValues&) {}
#endif

public:
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;
};
