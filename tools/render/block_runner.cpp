#include "block_runner.h"

#include <algorithm>

namespace quelt::render {

BlockRunner::BlockRunner(PluginInstance& instance, const Transport& transport, int blockSize)
    : m_instance(instance),
      m_transport(transport),
      m_blockSize(blockSize),
      m_inputs(static_cast<std::size_t>(std::max(instance.inputCount(), 2)), std::vector<float>(static_cast<std::size_t>(blockSize))),
      m_outputs(static_cast<std::size_t>(instance.outputCount()), std::vector<float>(static_cast<std::size_t>(blockSize)))
{
    for (auto& channel : m_inputs)
        m_inputPointers.push_back(channel.data());
    for (auto& channel : m_outputs)
        m_outputPointers.push_back(channel.data());
}

void BlockRunner::run(std::int64_t totalFrames, const Source& source, const Sink& sink, const Progress& progress)
{
    m_instance.resume(m_transport.timeInfoAt(0));
    for (std::int64_t frame = 0; frame < totalFrames;) {
        const int frames = static_cast<int>(std::min<std::int64_t>(m_blockSize, totalFrames - frame));
        const std::size_t count = static_cast<std::size_t>(frames);

        // Inputs 0 and 1 take left and right; a mono-input plug-in gets their
        // mix, further inputs silence.
        for (auto& channel : m_inputs)
            std::fill(channel.begin(), channel.begin() + static_cast<std::ptrdiff_t>(count), 0.0f);
        source(frame, frames, m_inputs[0].data(), m_inputs[1].data());
        if (m_instance.inputCount() == 1)
            for (std::size_t i = 0; i < count; ++i)
                m_inputs[0][i] = 0.5f * (m_inputs[0][i] + m_inputs[1][i]);
        if (m_instance.inputCount() < 2)
            std::fill(m_inputs[1].begin(), m_inputs[1].begin() + static_cast<std::ptrdiff_t>(count), 0.0f);

        // A plug-in that leaves an output untouched yields silence, not the previous block.
        for (auto& channel : m_outputs)
            std::fill(channel.begin(), channel.begin() + static_cast<std::ptrdiff_t>(count), 0.0f);

        m_instance.process(m_inputPointers.data(), m_outputPointers.data(), frames, m_transport.timeInfoAt(frame));
        sink(frame, frames, m_outputs[0].data(), m_outputs[1].data());

        frame += frames;
        if (progress)
            progress(frame);
    }
    m_instance.suspend();
}

} // namespace quelt::render
