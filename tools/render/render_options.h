// Command-line options of quelt-render and their parser.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quelt::render {

enum class GateMode
{
    Hold,
    Decay,
};

constexpr int kStepCount = 16;
using StepPattern = std::array<bool, kStepCount>;

struct RenderOptions
{
    bool showHelp = false;
    bool showVersion = false;

    std::string pluginPath;          // empty: the plug-in next to the executable
    double tempo = 120.0;            // BPM
    double startQuarters = 0.0;      // song position of the first sample
    std::optional<StepPattern> pattern;
    std::optional<GateMode> mode;
    std::optional<int> program;
    std::optional<int> sampleRate;   // demo only
    int blockSize = 512;
    std::optional<double> seconds;   // demo only
    std::string outputPath;          // empty: derived from the input, or quelt-demo.wav
    std::string inputPath;           // empty: the demo signal

    static constexpr int kDefaultSampleRate = 44100;
    static constexpr double kDefaultSeconds = 8.0;

    int demoSampleRate() const { return sampleRate.value_or(kDefaultSampleRate); }
    double demoSeconds() const { return seconds.value_or(kDefaultSeconds); }
};

// Limits the parser enforces; the help text quotes them.
struct OptionLimits
{
    static constexpr double kMinTempo = 20.0;
    static constexpr double kMaxTempo = 999.0;
    static constexpr double kMaxStartQuarters = 1.0e6;
    static constexpr int kMinSampleRate = 8000;
    static constexpr int kMaxSampleRate = 384000;
    static constexpr int kMinBlockSize = 1;
    static constexpr int kMaxBlockSize = 65536;
    static constexpr double kMaxSeconds = 3600.0;
    static constexpr int kMaxProgram = 15;
};

// Parses the arguments after the program name; throws UsageError with a
// one-line message naming the offending option.
RenderOptions parseRenderOptions(const std::vector<std::string>& args);

// Accepts 16 characters of 1/x/X (open) and 0/. (closed).
StepPattern parsePattern(const std::string& text);
std::string formatPattern(const StepPattern& pattern);

// The output path used when -o is not given.
std::string defaultOutputPath(const std::string& inputPath);

std::string helpText();

} // namespace quelt::render
