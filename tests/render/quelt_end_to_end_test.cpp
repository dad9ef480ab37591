// quelt-render with the real Quelt plug-in found beside it: in HOLD, the middle
// of every closed step must be silent and the middle of every open step the
// input itself, at the sample positions the tempo puts them.
#include "render/demo_signal.h"
#include "support/render_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using namespace quelt::test;
using quelt::render::AudioData;

struct StepCheck
{
    int open = 0;
    int closed = 0;
    double closedInputEnergy = 0.0;
};

// Compares the middle half of every step of `output` with `input`; the step
// of frame n is floor(ppq * 4) mod 16 with ppq = start + n * tempo / (60 * rate).
StepCheck checkSteps(const AudioData& input, const AudioData& output, const std::string& pattern, double tempo,
                     double start)
{
    StepCheck check;
    const double rate = input.sampleRate;
    const double framesPerStep = 15.0 * rate / tempo;
    const double firstSixteenth = std::floor(start * 4.0);
    const double end = static_cast<double>(input.frames());
    for (double k = firstSixteenth;; k += 1.0) {
        // Step k spans song positions [k/4, (k+1)/4).
        const double stepStart = (k / 4.0 - start) * 60.0 * rate / tempo;
        const double stepEnd = stepStart + framesPerStep;
        if (stepStart >= end)
            break;
        if (stepStart < 0.0 || stepEnd > end)
            continue;  // partial steps at the ends of the file
        const int step = static_cast<int>(std::fmod(std::fmod(k, 16.0) + 16.0, 16.0));
        const bool open = pattern[static_cast<std::size_t>(step)] == 'x';
        const auto from = static_cast<std::size_t>(std::ceil(stepStart + 0.25 * framesPerStep));
        const auto to = static_cast<std::size_t>(std::floor(stepEnd - 0.25 * framesPerStep));
        for (std::size_t n = from; n < to; ++n)
            for (int c = 0; c < 2; ++c) {
                const float in = input.channels[static_cast<std::size_t>(c)][n];
                const float out = output.channels[static_cast<std::size_t>(c)][n];
                if (open) {
                    if (out != in) {
                        ADD_FAILURE() << "open step " << step + 1 << " (sixteenth " << k << "), frame " << n
                                      << " channel " << c << ": output " << out << ", input " << in;
                        return check;
                    }
                } else {
                    check.closedInputEnergy += static_cast<double>(in) * in;
                    if (out != 0.0f) {
                        ADD_FAILURE() << "closed step " << step + 1 << " (sixteenth " << k << "), frame " << n
                                      << " channel " << c << ": output " << out << ", expected silence";
                        return check;
                    }
                }
            }
        ++(open ? check.open : check.closed);
    }
    return check;
}

TEST(QueltEndToEnd, DemoThroughTheGateInHold)
{
    const std::string pattern = "x..xx.x.x.xx..x.";
    const std::string out = scratchFile("demo.wav");
    // No --plugin: the renderer finds Quelt beside itself.
    const ProcessResult r = runRender({"--tempo", "120", "--rate", "44100", "--seconds", "8", "--pattern", pattern,
                                       "--mode", "hold", "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    quelt::render::DemoSettings demo;
    demo.sampleRate = 44100;
    demo.seconds = 8.0;
    demo.tempo = 120.0;
    demo.startQuarters = 0.0;
    const AudioData input = quelt::render::DemoSignal::generate(demo);
    const AudioData output = readWav(out);
    ASSERT_EQ(output.sampleRate, 44100);
    ASSERT_EQ(output.channelCount(), 2);
    ASSERT_EQ(output.frames(), input.frames());

    // One sixteenth is 5512.5 samples: 64 whole steps in 8 seconds.
    const StepCheck check = checkSteps(input, output, pattern, 120.0, 0.0);
    EXPECT_EQ(check.open + check.closed, 64);
    EXPECT_EQ(check.open, 32);
    EXPECT_GT(check.closedInputEnergy, 1.0) << "the closed steps had nothing to silence";

    // The measured gain: a 2 ms anti-click ramp is under 2 % of a 125 ms step.
    const Summary summary = parseSummary(r.out);
    ASSERT_EQ(summary.rows.size(), 16u) << r.out;
    for (int i = 0; i < 16; ++i) {
        const SummaryRow& row = summary.rows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.step, i + 1);
        const double ideal = pattern[static_cast<std::size_t>(i)] == 'x' ? 1.0 : 0.0;
        EXPECT_NEAR(row.mean, ideal, 0.05) << "step " << i + 1 << "\n" << r.out;
    }
    EXPECT_EQ(summary.pattern, pattern) << r.out;
}

TEST(QueltEndToEnd, StepsRowShowsThePatternInEveryMode)
{
    const std::string pattern = "x.xx...xx.x....x";
    for (const char* mode : {"hold", "decay"}) {
        SCOPED_TRACE(mode);
        const ProcessResult r =
            runRender({"--seconds", "0.5", "--pattern", pattern, "--mode", mode, "-o", scratchFile("out.wav")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(parseSummary(r.out).pattern, pattern) << r.out;
    }
}

TEST(QueltEndToEnd, FileWithPreRollAtAnotherRate)
{
    const std::string pattern = "xx..x...xxx.x..x";
    const std::string in = scratchFile("in.wav");
    const std::string out = scratchFile("out.wav");
    const AudioData input = rampSignal(48000, 48000 * 3);
    writeWav(in, input);
    // At 100 BPM and 48 kHz a step is 7200 samples; the song starts one and a
    // quarter quarters before the first bar.
    const ProcessResult r = runRender({"--tempo", "100", "--start", "-1.25", "--block", "1000", "--pattern", pattern,
                                       "--mode", "hold", in, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const AudioData output = readWav(out);
    ASSERT_EQ(output.frames(), input.frames());
    ASSERT_EQ(output.sampleRate, 48000);
    const StepCheck check = checkSteps(input, output, pattern, 100.0, -1.25);
    EXPECT_EQ(check.open + check.closed, 20);
    EXPECT_GT(check.closedInputEnergy, 1.0);
}

} // namespace
