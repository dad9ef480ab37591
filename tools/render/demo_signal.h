// The built-in demo signal: a stereo pad over a four-bar chord loop with a
// soft kick on the beats and a hi-hat on the off-beats, laid on the song's
// beat grid so the gate steps line up with it. Deterministic, peaking at -1 dBFS.
#pragma once

#include "audio_data.h"

namespace quelt::render {

struct DemoSettings
{
    int sampleRate = 44100;
    double seconds = 8.0;
    double tempo = 120.0;
    double startQuarters = 0.0;
};

class DemoSignal
{
public:
    static constexpr float kPeak = 0.8912509f;  // -1 dBFS

    static std::size_t frameCount(const DemoSettings& settings);
    static AudioData generate(const DemoSettings& settings);
};

} // namespace quelt::render
