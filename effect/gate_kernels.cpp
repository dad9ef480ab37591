#include "effect/gate_kernels.h"

#include <algorithm>

#include <emmintrin.h>
#if defined(__GNUC__)
#include <immintrin.h>
#endif

namespace
{
// Both inputs of a frame are read before its outputs are written, so buffers
// shared between inputs and outputs give what the per-sample rules give.
inline void scaleScalar(const float* inL, const float* inR, float* outL, float* outR, int32_t j, float gain)
{
    const float left = inL[j];
    const float right = inR[j];
    outL[j] = left * gain;
    outR[j] = right * gain;
}

// The buffer pointers in registers: the loops' stores could otherwise alias the
// record holding them and force a reload after every store.
#define QUELT_CHANNELS(io)                                                                                             \
    const float* const inL = (io).inL;                                                                                 \
    const float* const inR = (io).inR;                                                                                 \
    float* const outL = (io).outL;                                                                                     \
    float* const outR = (io).outR

// The next frame after j where the mode is read again.
inline int32_t nextRead(int32_t j) { return (j | (kGateModeInterval - 1)) + 1; }

inline float decayGain(int32_t j, double base, double increment, double step, float g)
{
    const double w = base + static_cast<double>(j) * increment;
    return g * (1.0f - static_cast<float>(w - step));
}

int32_t holdSse2(const GateChannels& io, int32_t from, int32_t to, float gain, const ModeWatch& watch)
{
    QUELT_CHANNELS(io);
    const __m128 g = _mm_set1_ps(gain);
    for (int32_t j = from; j < to;)
    {
        const int32_t stop = std::min(to, nextRead(j));
        for (; j + 4 <= stop; j += 4)
        {
            const __m128 left = _mm_loadu_ps(inL + j);
            const __m128 right = _mm_loadu_ps(inR + j);
            _mm_storeu_ps(outL + j, _mm_mul_ps(left, g));
            _mm_storeu_ps(outR + j, _mm_mul_ps(right, g));
        }
        for (; j < stop; ++j)
            scaleScalar(inL, inR, outL, outR, j, gain);
        if (j < to && watch.changed())
            return j;
    }
    return to;
}

// Unit: g is 1, and 1 × x is x to the bit, so the multiply goes.
template <bool Unit>
int32_t decaySse2(const GateChannels& io, int32_t from, int32_t to, double base, double increment, double step,
                  float g, const ModeWatch& watch, float& last)
{
    QUELT_CHANNELS(io);
    const __m128d b = _mm_set1_pd(base);
    const __m128d inc = _mm_set1_pd(increment);
    const __m128d s = _mm_set1_pd(step);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 gain = _mm_set1_ps(g);
    // Frame numbers as doubles: whole numbers, so adding 4 stays exact.
    const __m128d first = _mm_set_pd(1.0, 0.0);
    const __m128d second = _mm_set_pd(3.0, 2.0);
    __m128d j0 = _mm_add_pd(_mm_set1_pd(from), first);
    __m128d j1 = _mm_add_pd(_mm_set1_pd(from), second);
    const __m128d four = _mm_set1_pd(4.0);
    // The last gain is kept in a register and handed out once at the end; the
    // frame numbers are set again only after frames done one by one.
    __m128 lastEnv = _mm_set1_ps(last);
    float lastGain = last;
    int32_t j = from;
    while (j < to)
    {
        const int32_t stop = std::min(to, nextRead(j));
        for (; j + 4 <= stop; j += 4)
        {
            const __m128d w0 = _mm_add_pd(b, _mm_mul_pd(j0, inc));
            const __m128d w1 = _mm_add_pd(b, _mm_mul_pd(j1, inc));
            const __m128 frac = _mm_movelh_ps(_mm_cvtpd_ps(_mm_sub_pd(w0, s)), _mm_cvtpd_ps(_mm_sub_pd(w1, s)));
            const __m128 env = Unit ? _mm_sub_ps(one, frac) : _mm_mul_ps(gain, _mm_sub_ps(one, frac));
            const __m128 left = _mm_loadu_ps(inL + j);
            const __m128 right = _mm_loadu_ps(inR + j);
            _mm_storeu_ps(outL + j, _mm_mul_ps(left, env));
            _mm_storeu_ps(outR + j, _mm_mul_ps(right, env));
            j0 = _mm_add_pd(j0, four);
            j1 = _mm_add_pd(j1, four);
            lastEnv = env;
        }
        if (j < stop)
        {
            for (; j < stop; ++j)
                scaleScalar(inL, inR, outL, outR, j, lastGain = decayGain(j, base, increment, step, g));
            lastEnv = _mm_set1_ps(lastGain);
            j0 = _mm_add_pd(_mm_set1_pd(j), first);
            j1 = _mm_add_pd(_mm_set1_pd(j), second);
        }
        if (j < to && watch.changed())
            break;
    }
    last = _mm_cvtss_f32(_mm_shuffle_ps(lastEnv, lastEnv, _MM_SHUFFLE(3, 3, 3, 3)));
    return j;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QUELT_HAVE_AVX 1
// Plain AVX, no FMA: a fused multiply-add would round once where the rules round twice.
__attribute__((target("avx"))) int32_t holdAvx(const GateChannels& io, int32_t from, int32_t to, float gain,
                                                const ModeWatch& watch)
{
    QUELT_CHANNELS(io);
    const __m256 g = _mm256_set1_ps(gain);
    for (int32_t j = from; j < to;)
    {
        const int32_t stop = std::min(to, nextRead(j));
        for (; j + 8 <= stop; j += 8)
        {
            const __m256 left = _mm256_loadu_ps(inL + j);
            const __m256 right = _mm256_loadu_ps(inR + j);
            _mm256_storeu_ps(outL + j, _mm256_mul_ps(left, g));
            _mm256_storeu_ps(outR + j, _mm256_mul_ps(right, g));
        }
        for (; j < stop; ++j)
            scaleScalar(inL, inR, outL, outR, j, gain);
        if (j < to && watch.changed())
            return j;
    }
    return to;
}

template <bool Unit>
__attribute__((target("avx"))) int32_t decayAvx(const GateChannels& io, int32_t from, int32_t to, double base,
                                                double increment, double step, float g, const ModeWatch& watch,
                                                float& last)
{
    QUELT_CHANNELS(io);
    const __m256d b = _mm256_set1_pd(base);
    const __m256d inc = _mm256_set1_pd(increment);
    const __m256d s = _mm256_set1_pd(step);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 gain = _mm256_set1_ps(g);
    const __m256d first = _mm256_set_pd(3.0, 2.0, 1.0, 0.0);
    const __m256d second = _mm256_set_pd(7.0, 6.0, 5.0, 4.0);
    __m256d j0 = _mm256_add_pd(_mm256_set1_pd(from), first);
    __m256d j1 = _mm256_add_pd(_mm256_set1_pd(from), second);
    const __m256d eight = _mm256_set1_pd(8.0);
    __m256 lastEnv = _mm256_set1_ps(last);
    float lastGain = last;
    int32_t j = from;
    while (j < to)
    {
        const int32_t stop = std::min(to, nextRead(j));
        for (; j + 8 <= stop; j += 8)
        {
            const __m256d w0 = _mm256_add_pd(b, _mm256_mul_pd(j0, inc));
            const __m256d w1 = _mm256_add_pd(b, _mm256_mul_pd(j1, inc));
            const __m128 f0 = _mm256_cvtpd_ps(_mm256_sub_pd(w0, s));
            const __m128 f1 = _mm256_cvtpd_ps(_mm256_sub_pd(w1, s));
            const __m256 frac = _mm256_insertf128_ps(_mm256_castps128_ps256(f0), f1, 1);
            const __m256 env = Unit ? _mm256_sub_ps(one, frac) : _mm256_mul_ps(gain, _mm256_sub_ps(one, frac));
            const __m256 left = _mm256_loadu_ps(inL + j);
            const __m256 right = _mm256_loadu_ps(inR + j);
            _mm256_storeu_ps(outL + j, _mm256_mul_ps(left, env));
            _mm256_storeu_ps(outR + j, _mm256_mul_ps(right, env));
            j0 = _mm256_add_pd(j0, eight);
            j1 = _mm256_add_pd(j1, eight);
            lastEnv = env;
        }
        if (j < stop)
        {
            for (; j < stop; ++j)
                scaleScalar(inL, inR, outL, outR, j, lastGain = decayGain(j, base, increment, step, g));
            lastEnv = _mm256_set1_ps(lastGain);
            j0 = _mm256_add_pd(_mm256_set1_pd(j), first);
            j1 = _mm256_add_pd(_mm256_set1_pd(j), second);
        }
        if (j < to && watch.changed())
            break;
    }
    const __m128 upper = _mm256_extractf128_ps(lastEnv, 1);
    last = _mm_cvtss_f32(_mm_shuffle_ps(upper, upper, _MM_SHUFFLE(3, 3, 3, 3)));
    return j;
}
#endif

using DecayLoop = int32_t (*)(const GateChannels&, int32_t, int32_t, double, double, double, float, const ModeWatch&,
                              float&);

template <DecayLoop UnitLoop, DecayLoop AnyLoop>
int32_t decay(const GateChannels& io, int32_t from, int32_t to, double base, double increment, double step, float g,
              const ModeWatch& watch, float& last)
{
    return (g == 1.0f ? UnitLoop : AnyLoop)(io, from, to, base, increment, step, g, watch, last);
}
}  // namespace

const GateKernels& sse2Kernels()
{
    static const GateKernels kernels{holdSse2, decay<decaySse2<true>, decaySse2<false>>, "SSE2"};
    return kernels;
}

const GateKernels* avxKernels()
{
#if defined(QUELT_HAVE_AVX)
    static const GateKernels kernels{holdAvx, decay<decayAvx<true>, decayAvx<false>>, "AVX"};
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx") ? &kernels : nullptr;
#else
    return nullptr;
#endif
}

const GateKernels& bestKernels()
{
    static const GateKernels& best = avxKernels() ? *avxKernels() : sse2Kernels();
    return best;
}
