// Which of the 16 steps the song is playing, as the audio thread tells the
// panel: one 32-bit value with the step (1 to 16, 0 for none) in its low five
// bits and, above them, a count of reports, so that a reader can tell whether
// reports keep coming.
#pragma once

#include <cmath>
#include <cstdint>

namespace playhead {

constexpr uint32_t kStepBits = 5;
constexpr int kNone = 0;

// The step of a song position in quarter notes, 1 to 16: sixteenths floored,
// counted round the pattern, before the song's start as well. 0 where the
// position is not a number.
inline int stepAt(double quarters)
{
    if (!std::isfinite(quarters))
        return kNone;
    const double sixteenth = std::floor(quarters * 4.0);
    const double inPattern = sixteenth - 16.0 * std::floor(sixteenth / 16.0);
    return inPattern >= 0.0 && inPattern < 16.0 ? static_cast<int>(inPattern) + 1 : 1;
}

inline uint32_t report(uint32_t count, int step) { return (count << kStepBits) | static_cast<uint32_t>(step); }
inline int step(uint32_t report) { return static_cast<int>(report & ((1u << kStepBits) - 1)); }
inline uint32_t count(uint32_t report) { return report >> kStepBits; }

} // namespace playhead
