// The song position a host reports for a frame of an offline render.
#pragma once

#include "host/vst_interface.h"

#include <cstdint>

namespace quelt::render {

class Transport
{
public:
    Transport(double tempo, double sampleRate, double startQuarters)
        : m_tempo(tempo), m_sampleRate(sampleRate), m_start(startQuarters)
    {
    }

    // Computed from the frame count, never accumulated, so a long render with
    // tiny blocks lands on exactly the same position as one big block.
    double ppqAt(std::int64_t frame) const
    {
        return m_start + static_cast<double>(frame) * m_tempo / (60.0 * m_sampleRate);
    }

    // Time information for a block starting at `frame`: playing, with valid
    // song position and tempo.
    VstTimeInfo timeInfoAt(std::int64_t frame) const;

    // Frames in `quarters` quarter notes, rounded up.
    std::int64_t framesForQuarters(double quarters) const;

    double tempo() const { return m_tempo; }
    double sampleRate() const { return m_sampleRate; }
    double startQuarters() const { return m_start; }

private:
    double m_tempo;
    double m_sampleRate;
    double m_start;
};

} // namespace quelt::render
