#include "transport.h"

#include <cmath>

namespace quelt::render {

VstTimeInfo Transport::timeInfoAt(std::int64_t frame) const
{
    VstTimeInfo info{};
    info.samplePos = static_cast<double>(frame);
    info.sampleRate = m_sampleRate;
    info.ppqPos = ppqAt(frame);
    info.tempo = m_tempo;
    info.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;
    return info;
}

std::int64_t Transport::framesForQuarters(double quarters) const
{
    // The first frame at or past the end is excluded, so a whole number of
    // frames is not rounded up by one.
    const double exact = quarters * 60.0 * m_sampleRate / m_tempo;
    std::int64_t frames = static_cast<std::int64_t>(std::ceil(exact));
    while (frames > 0 && ppqAt(frames - 1) >= m_start + quarters)
        --frames;
    while (ppqAt(frames) < m_start + quarters)
        ++frames;
    return frames;
}

} // namespace quelt::render
