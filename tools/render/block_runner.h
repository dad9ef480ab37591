// Runs a plug-in instance over a stereo stream, one block at a time, with the
// time information of each block.
#pragma once

#include "plugin_instance.h"
#include "transport.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quelt::render {

class BlockRunner
{
public:
    // Fills `frames` input frames starting at `frame` into left/right.
    using Source = std::function<void(std::int64_t frame, int frames, float* left, float* right)>;
    // Receives the output of the same frames.
    using Sink = std::function<void(std::int64_t frame, int frames, const float* left, const float* right)>;
    using Progress = std::function<void(std::int64_t framesDone)>;

    BlockRunner(PluginInstance& instance, const Transport& transport, int blockSize);

    // Turns the instance on, processes `totalFrames` frames (the last block
    // may be short) and turns it off again.
    void run(std::int64_t totalFrames, const Source& source, const Sink& sink, const Progress& progress = {});

private:
    PluginInstance& m_instance;
    const Transport& m_transport;
    int m_blockSize;
    std::vector<std::vector<float>> m_inputs;
    std::vector<std::vector<float>> m_outputs;
    std::vector<float*> m_inputPointers;
    std::vector<float*> m_outputPointers;
};

} // namespace quelt::render
