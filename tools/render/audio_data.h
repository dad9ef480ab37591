// Planar audio held in memory: one vector per channel, all of the same length.
#pragma once

#include <cstddef>
#include <vector>

namespace quelt::render {

struct AudioData
{
    int sampleRate = 0;
    std::vector<std::vector<float>> channels;

    std::size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
    int channelCount() const { return static_cast<int>(channels.size()); }
};

} // namespace quelt::render
