#include "demo_signal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace quelt::render {

namespace {

constexpr double kPi = 3.14159265358979323846;

// One bar each: Cmaj9, Am9, Fmaj9, G6/9 (MIDI notes).
constexpr int kChords[4][5] = {
    {48, 55, 59, 62, 64},
    {45, 52, 55, 59, 60},
    {41, 48, 52, 55, 57},
    {43, 50, 57, 59, 64},
};
constexpr double kQuartersPerBar = 4.0;
constexpr double kChordFade = 0.25;  // quarters of crossfade between chords

double noteFrequency(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Weight of the chord of `bar` at song position `ppq`: raised-cosine edges
// that sum to one with the neighbouring bars, so chord changes do not click.
double chordWeight(std::int64_t bar, double ppq)
{
    const auto edge = [](double x) {
        const double t = std::clamp(x, 0.0, 1.0);
        const double s = std::sin(0.5 * kPi * t);
        return s * s;
    };
    const double start = static_cast<double>(bar) * kQuartersPerBar;
    const double end = start + kQuartersPerBar;
    const double rise = edge((ppq - (start - 0.5 * kChordFade)) / kChordFade);
    const double fall = 1.0 - edge((ppq - (end - 0.5 * kChordFade)) / kChordFade);
    return rise * fall;
}

std::int64_t floorToInt(double value)
{
    return static_cast<std::int64_t>(std::floor(value));
}

// Stateless noise from the frame number, identical on every run and platform.
double noise(std::uint64_t n)
{
    std::uint64_t x = n + 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return static_cast<double>(x >> 11) / 4503599627370496.0 - 1.0;  // [-1, 1)
}

// A soft organ-like tone: fundamental with a little second and third
// harmonic, from one sine and cosine (sin 2x = 2 sin x cos x, sin 3x = 3 sin x - 4 sin^3 x).
double voice(double cycles)
{
    const double phase = 2.0 * kPi * (cycles - std::floor(cycles));
    const double s = std::sin(phase);
    const double c = std::cos(phase);
    return s + 0.25 * (2.0 * s * c) + 0.08 * (s * (3.0 - 4.0 * s * s));
}

} // namespace

std::size_t DemoSignal::frameCount(const DemoSettings& settings)
{
    return static_cast<std::size_t>(std::max<long long>(1, std::llround(settings.seconds * settings.sampleRate)));
}

AudioData DemoSignal::generate(const DemoSettings& settings)
{
    const std::size_t frames = frameCount(settings);
    const double rate = settings.sampleRate;
    const double secondsPerQuarter = 60.0 / settings.tempo;

    // Each note as two oscillators a few cents apart, one on each side.
    std::array<std::array<std::pair<double, double>, 5>, 4> voices{};
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t v = 0; v < 5; ++v) {
            const double f = noteFrequency(kChords[c][v]);
            const double cents = 5.0 + static_cast<double>(v);
            voices[c][v] = {f * std::pow(2.0, -cents / 1200.0), f * std::pow(2.0, cents / 1200.0)};
        }

    std::vector<double> left(frames), right(frames);
    double previousNoise = 0.0;
    for (std::size_t n = 0; n < frames; ++n) {
        const double ppq = settings.startQuarters + static_cast<double>(n) * settings.tempo / (60.0 * rate);
        const double t = ppq * secondsPerQuarter;  // song time, so the loop is the same wherever it starts

        double padLeft = 0.0, padRight = 0.0;
        const std::int64_t bar = floorToInt(ppq / kQuartersPerBar);
        for (std::int64_t b = bar - 1; b <= bar + 1; ++b) {
            const double weight = chordWeight(b, ppq);
            if (weight <= 0.0)
                continue;
            const auto& chord = voices[static_cast<std::size_t>(((b % 4) + 4) % 4)];
            for (const auto& [leftFrequency, rightFrequency] : chord) {
                padLeft += weight * voice(leftFrequency * t);
                padRight += weight * voice(rightFrequency * t);
            }
        }
        const double swell = 0.85 + 0.15 * std::sin(2.0 * kPi * 0.2 * t);
        padLeft *= 0.07 * swell;
        padRight *= 0.07 * swell;

        // Kick on every beat: a sine falling from 120 Hz to 45 Hz.
        const double sinceBeat = (ppq - std::floor(ppq)) * secondsPerQuarter;
        const double kickPhase = 2.0 * kPi * (45.0 * sinceBeat + 75.0 * 0.03 * (1.0 - std::exp(-sinceBeat / 0.03)));
        const double kick = 0.55 * std::sin(kickPhase) * std::exp(-sinceBeat / 0.18);

        // Hi-hat on the off-beat eighths: differentiated noise, short decay.
        const double white = noise(n);
        const double bright = white - previousNoise;
        previousNoise = white;
        const double eighth = ppq * 2.0;
        const double sinceEighth = (eighth - std::floor(eighth)) * secondsPerQuarter * 0.5;
        const bool offBeat = (floorToInt(eighth) & 1) != 0;
        const double hat = offBeat ? 0.09 * bright * std::exp(-sinceEighth / 0.035) : 0.0;

        left[n] = padLeft + kick + 0.7 * hat;
        right[n] = padRight + kick + 1.0 * hat;
    }

    // Short fades at the ends of the file, then scale to the target peak.
    const std::size_t fade = std::min<std::size_t>(frames / 2, static_cast<std::size_t>(0.01 * rate));
    for (std::size_t i = 0; i < fade; ++i) {
        const double g = std::sin(0.5 * kPi * (static_cast<double>(i) + 0.5) / static_cast<double>(fade));
        left[i] *= g * g;
        right[i] *= g * g;
        left[frames - 1 - i] *= g * g;
        right[frames - 1 - i] *= g * g;
    }
    double peak = 0.0;
    for (std::size_t n = 0; n < frames; ++n)
        peak = std::max({peak, std::fabs(left[n]), std::fabs(right[n])});
    const double scale = peak > 0.0 ? kPeak / peak : 0.0;

    AudioData audio;
    audio.sampleRate = settings.sampleRate;
    audio.channels.assign(2, std::vector<float>(frames));
    for (std::size_t n = 0; n < frames; ++n) {
        // Rounding to float could lift a sample just above the target; clamp to it.
        audio.channels[0][n] = std::clamp(static_cast<float>(left[n] * scale), -kPeak, kPeak);
        audio.channels[1][n] = std::clamp(static_cast<float>(right[n] * scale), -kPeak, kPeak);
    }
    return audio;
}

} // namespace quelt::render
