// The gain of each of the 16 steps over one pattern cycle, measured by running
// a second instance of the plug-in over a constant 1.0 input: its output is
// the gain itself, smoothing and all.
#pragma once

#include "block_runner.h"
#include "plugin_instance.h"
#include "render_options.h"
#include "transport.h"

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quelt::render {

struct StepGain
{
    int step = 0;  // 0-based position in the pattern
    std::int64_t samples = 0;
    double mean = 0.0;
    double min = 0.0;
    double max = 0.0;
};

class GainSummary
{
public:
    static constexpr double kCycleQuarters = 4.0;  // 16 sixteenths

    explicit GainSummary(const Transport& transport);

    // Adds one output sample of `frame` (frames counted from the start of the cycle).
    void add(std::int64_t frame, float gain);

    // The 16 steps in the order the cycle meets them, starting with the step
    // that holds the first frame.
    std::vector<StepGain> steps() const;

    // Mode name for the heading, empty when unknown.
    void setModeName(std::string name) { m_modeName = std::move(name); }

    // The steps the plug-in runs with, for the "steps 1-16:" row; no row when unknown.
    void setPattern(const StepPattern& pattern) { m_pattern = pattern; }

    // A table of about 20 lines, then the pattern in --pattern notation.
    void print(std::ostream& out) const;

    // Pattern position of the step at song position `ppq`.
    static int stepAt(double ppq);

    // Opens a fresh instance with the same settings and measures one cycle;
    // the pattern row shows that instance's step parameters once set up.
    static GainSummary measure(const PluginModule& module, const PluginSettings& settings,
                               const Transport& transport, int blockSize);

private:
    struct Accumulator
    {
        std::int64_t samples = 0;
        double sum = 0.0;
        double min = 0.0;
        double max = 0.0;
    };

    Transport m_transport;
    std::array<Accumulator, 16> m_steps{};
    std::string m_modeName;
    std::optional<StepPattern> m_pattern;
};

} // namespace quelt::render
