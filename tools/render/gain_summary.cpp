#include "gain_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quelt::render {

GainSummary::GainSummary(const Transport& transport) : m_transport(transport) {}

int GainSummary::stepAt(double ppq)
{
    const auto sixteenth = static_cast<std::int64_t>(std::floor(ppq * 4.0));
    return static_cast<int>(((sixteenth % kStepCount) + kStepCount) % kStepCount);
}

void GainSummary::add(std::int64_t frame, float gain)
{
    Accumulator& step = m_steps[static_cast<std::size_t>(stepAt(m_transport.ppqAt(frame)))];
    if (step.samples == 0) {
        step.min = gain;
        step.max = gain;
    } else {
        step.min = std::min(step.min, static_cast<double>(gain));
        step.max = std::max(step.max, static_cast<double>(gain));
    }
    step.sum += gain;
    ++step.samples;
}

std::vector<StepGain> GainSummary::steps() const
{
    std::vector<StepGain> result;
    const int first = stepAt(m_transport.ppqAt(0));
    for (int i = 0; i < kStepCount; ++i) {
        const int step = (first + i) % kStepCount;
        const Accumulator& a = m_steps[static_cast<std::size_t>(step)];
        StepGain gain;
        gain.step = step;
        gain.samples = a.samples;
        if (a.samples > 0) {
            gain.mean = a.sum / static_cast<double>(a.samples);
            gain.min = a.min;
            gain.max = a.max;
        }
        result.push_back(gain);
    }
    return result;
}

void GainSummary::print(std::ostream& out) const
{
    const std::vector<StepGain> cycle = steps();
    char line[128];
    std::snprintf(line, sizeof line, "Gain per step over one cycle from quarter %g at %g BPM%s%s:\n",
                  m_transport.startQuarters(), m_transport.tempo(), m_modeName.empty() ? "" : ", ",
                  m_modeName.c_str());
    out << line;
    // Smoothing can overshoot below zero, so there is room for a sign; values
    // that round to zero print as 0.000, not -0.000.
    const auto shown = [](double value) { return std::fabs(value) < 0.0005 ? 0.0 : value; };
    out << "  step    mean     min     max\n";
    for (const StepGain& s : cycle) {
        const int filled = static_cast<int>(std::lround(std::clamp(s.mean, 0.0, 1.0) * 10.0));
        std::snprintf(line, sizeof line, "  %4d  %6.3f  %6.3f  %6.3f  |%-10s|\n", s.step + 1, shown(s.mean),
                      shown(s.min), shown(s.max), std::string(static_cast<std::size_t>(filled), '#').c_str());
        out << line;
    }

    if (m_pattern)
        out << "  steps 1-16: " << formatPattern(*m_pattern) << "\n";
}

GainSummary GainSummary::measure(const PluginModule& module, const PluginSettings& settings,
                                 const Transport& transport, int blockSize)
{
    PluginInstance instance(module);
    instance.open(transport.sampleRate(), blockSize);
    instance.apply(settings);

    GainSummary summary(transport);
    if (instance.parameterCount() > kModeParameter)
        summary.setModeName(instance.parameter(kModeParameter) >= 0.5f ? "DECAY" : "HOLD");
    if (instance.parameterCount() >= kStepCount) {
        StepPattern pattern{};
        for (int step = 0; step < kStepCount; ++step)
            pattern[static_cast<std::size_t>(step)] = instance.parameter(step) >= 0.5f;
        summary.setPattern(pattern);
    }

    BlockRunner runner(instance, transport, blockSize);
    runner.run(
        transport.framesForQuarters(kCycleQuarters),
        [](std::int64_t, int frames, float* left, float* right) {
            std::fill(left, left + frames, 1.0f);
            std::fill(right, right + frames, 1.0f);
        },
        [&summary](std::int64_t frame, int frames, const float* left, const float* right) {
            for (int i = 0; i < frames; ++i) {
                summary.add(frame + i, left[i]);
                summary.add(frame + i, right[i]);
            }
        });
    instance.close();
    return summary;
}

} // namespace quelt::render
