// The renderer's building blocks that need no plug-in: song position, demo
// signal, step statistics, progress display and channel handling.
#include "render/demo_signal.h"
#include "render/gain_summary.h"
#include "render/progress_meter.h"
#include "render/render_app.h"
#include "render/render_error.h"
#include "render/render_options.h"
#include "render/transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

using namespace quelt::render;

TEST(Transport, SongPositionFollowsTempoAndRate)
{
    const Transport t(120.0, 44100.0, 0.0);
    EXPECT_EQ(t.ppqAt(0), 0.0);
    EXPECT_EQ(t.ppqAt(22050), 1.0);
    EXPECT_EQ(t.ppqAt(5512), 5512.0 * 120.0 / (60.0 * 44100.0));
    const Transport preRoll(90.0, 48000.0, -2.0);
    EXPECT_EQ(preRoll.ppqAt(0), -2.0);
    EXPECT_EQ(preRoll.ppqAt(32000), -1.0);
    EXPECT_EQ(preRoll.ppqAt(64000), 0.0);
}

TEST(Transport, FarPositionsAreExactWhereTheArithmeticIs)
{
    // 1000 bars at 120 BPM: a running sum of per-block increments could not land exactly.
    const Transport t(120.0, 44100.0, 0.5);
    EXPECT_EQ(t.ppqAt(88200000), 4000.5);
    const Transport odd(137.0, 96000.0, -3.25);
    const std::int64_t frames = 96000LL * 60 * 60;  // one hour
    EXPECT_DOUBLE_EQ(odd.ppqAt(frames), -3.25 + 137.0 * 60.0);
}

TEST(Transport, TimeInfoCarriesPositionTempoAndFlags)
{
    const Transport t(97.5, 48000.0, -1.5);
    const VstTimeInfo info = t.timeInfoAt(12345);
    EXPECT_EQ(info.samplePos, 12345.0);
    EXPECT_EQ(info.sampleRate, 48000.0);
    EXPECT_EQ(info.ppqPos, t.ppqAt(12345));
    EXPECT_EQ(info.tempo, 97.5);
    EXPECT_EQ(info.flags, kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid);
    EXPECT_EQ(info.nanoSeconds, 0.0);
    EXPECT_EQ(info.barStartPos, 0.0);
    EXPECT_EQ(info.timeSigNumerator, 0);
}

TEST(Transport, FramesForQuartersEndAtTheFirstFrameOfTheNextCycle)
{
    EXPECT_EQ(Transport(120.0, 44100.0, 0.0).framesForQuarters(4.0), 88200);
    EXPECT_EQ(Transport(133.0, 44100.0, 0.0).framesForQuarters(4.0), 79579);
    for (double tempo : {20.0, 60.0, 97.5, 120.0, 133.0, 174.3, 999.0})
        for (double rate : {8000.0, 22050.0, 44100.0, 48000.0, 384000.0})
            for (double start : {0.0, -2.5, 7.125, 0.1}) {
                const Transport t(tempo, rate, start);
                const std::int64_t frames = t.framesForQuarters(4.0);
                EXPECT_LT(t.ppqAt(frames - 1), start + 4.0) << tempo << " " << rate << " " << start;
                EXPECT_GE(t.ppqAt(frames), start + 4.0) << tempo << " " << rate << " " << start;
            }
}

TEST(DemoSignal, LengthRateAndChannels)
{
    DemoSettings s;
    s.sampleRate = 22050;
    s.seconds = 1.5;
    const AudioData audio = DemoSignal::generate(s);
    EXPECT_EQ(audio.sampleRate, 22050);
    EXPECT_EQ(audio.channelCount(), 2);
    EXPECT_EQ(audio.frames(), 33075u);
    EXPECT_EQ(DemoSignal::frameCount(s), 33075u);
    s.seconds = 0.00001;
    EXPECT_EQ(DemoSignal::generate(s).frames(), 1u);
}

TEST(DemoSignal, DeterministicStereoBelowFullScale)
{
    DemoSettings s;
    s.seconds = 4.0;
    const AudioData a = DemoSignal::generate(s);
    const AudioData b = DemoSignal::generate(s);
    EXPECT_EQ(a.channels, b.channels);

    float peak = 0.0f;
    std::size_t differing = 0;
    for (std::size_t n = 0; n < a.frames(); ++n) {
        peak = std::max({peak, std::fabs(a.channels[0][n]), std::fabs(a.channels[1][n])});
        differing += a.channels[0][n] != a.channels[1][n];
    }
    EXPECT_LE(peak, DemoSignal::kPeak);
    EXPECT_GT(peak, 0.99f * DemoSignal::kPeak);  // normalised, not merely quiet
    EXPECT_GT(differing, a.frames() * 9 / 10);  // a stereo image, not dual mono

    // Starts and ends without a click.
    EXPECT_LT(std::fabs(a.channels[0].front()), 1e-3f);
    EXPECT_LT(std::fabs(a.channels[1].back()), 1e-3f);
}

double rms(const std::vector<float>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t n = from; n < to; ++n)
        sum += static_cast<double>(x[n]) * x[n];
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST(DemoSignal, NeverFallsSilentAndAccentsTheBeats)
{
    DemoSettings s;
    s.seconds = 8.0;
    s.tempo = 100.0;
    s.startQuarters = 0.5;  // beats fall half a quarter into the signal
    const AudioData a = DemoSignal::generate(s);
    const double framesPerQuarter = 60.0 / s.tempo * s.sampleRate;
    const auto window = static_cast<std::size_t>(0.03 * s.sampleRate);

    int accented = 0, beats = 0;
    for (int beat = 1; beat < 12; ++beat) {
        const auto onset = static_cast<std::size_t>((beat - s.startQuarters) * framesPerQuarter);
        const auto later = onset + static_cast<std::size_t>(0.45 * framesPerQuarter);
        const double atBeat = rms(a.channels[0], onset, onset + window);
        const double between = rms(a.channels[0], later, later + window);
        EXPECT_GT(between, 0.01) << "beat " << beat << ": the pad keeps sounding between beats";
        accented += atBeat > 1.5 * between;
        ++beats;
    }
    EXPECT_EQ(accented, beats);
}

TEST(GainSummary, StepOfASongPosition)
{
    EXPECT_EQ(GainSummary::stepAt(0.0), 0);
    EXPECT_EQ(GainSummary::stepAt(0.2499), 0);
    EXPECT_EQ(GainSummary::stepAt(0.25), 1);
    EXPECT_EQ(GainSummary::stepAt(3.99), 15);
    EXPECT_EQ(GainSummary::stepAt(4.0), 0);
    EXPECT_EQ(GainSummary::stepAt(17.5), 6);
    EXPECT_EQ(GainSummary::stepAt(-0.01), 15);
    EXPECT_EQ(GainSummary::stepAt(-4.0), 0);
    EXPECT_EQ(GainSummary::stepAt(-4.01), 15);
}

// Feeds one cycle of a made-up gate, `gain(step, fraction of step)`, into a summary.
template <typename Gain>
GainSummary summarise(const Transport& t, Gain gain)
{
    GainSummary summary(t);
    const std::int64_t frames = t.framesForQuarters(GainSummary::kCycleQuarters);
    for (std::int64_t n = 0; n < frames; ++n) {
        const double sixteenths = t.ppqAt(n) * 4.0;
        const double fraction = sixteenths - std::floor(sixteenths);
        summary.add(n, gain(GainSummary::stepAt(t.ppqAt(n)), fraction));
        summary.add(n, gain(GainSummary::stepAt(t.ppqAt(n)), fraction));
    }
    return summary;
}

TEST(GainSummary, StatisticsPerStepInCycleOrder)
{
    const std::string pattern = "x..xx.x.x.xx..x.";
    const Transport t(120.0, 44100.0, 1.25);  // the cycle starts on step 6
    const GainSummary summary = summarise(t, [&](int step, double) { return pattern[step] == 'x' ? 1.0f : 0.0f; });
    const auto steps = summary.steps();
    ASSERT_EQ(steps.size(), 16u);
    std::int64_t total = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].step, static_cast<int>((5 + i) % 16));
        const double expected = pattern[static_cast<std::size_t>(steps[i].step)] == 'x' ? 1.0 : 0.0;
        EXPECT_EQ(steps[i].mean, expected);
        EXPECT_EQ(steps[i].min, expected);
        EXPECT_EQ(steps[i].max, expected);
        EXPECT_NEAR(static_cast<double>(steps[i].samples), 2 * 5512.5, 1.5);
        total += steps[i].samples;
    }
    EXPECT_EQ(total, 2 * 88200);
}

TEST(GainSummary, PrintsATableAndThePatternItMeasured)
{
    const Transport t(120.0, 44100.0, 0.0);
    // Steps 1-8 open with a falling ramp, 9 closed, 10 half, the rest open.
    GainSummary summary = summarise(t, [](int step, double fraction) {
        if (step < 8)
            return static_cast<float>(1.0 - fraction);
        if (step == 8)
            return 0.0f;
        if (step == 9)
            return 0.5f;
        return 1.0f;
    });
    summary.setModeName("DECAY");
    // The row shows the steps as set, in DECAY too, whatever the means are.
    summary.setPattern(parsePattern("xxxxxxxx.xxxxxx."));
    std::ostringstream out;
    summary.print(out);
    const std::string text = out.str();

    EXPECT_NE(text.find("from quarter 0 at 120 BPM, DECAY"), std::string::npos) << text;
    EXPECT_NE(text.find("  step    mean     min     max\n"), std::string::npos) << text;
    EXPECT_NE(text.find("     1   0.500   0.000   1.000  |#####     |"), std::string::npos) << text;
    EXPECT_NE(text.find("     9   0.000   0.000   0.000  |          |"), std::string::npos) << text;
    EXPECT_NE(text.find("    16   1.000   1.000   1.000  |##########|"), std::string::npos) << text;
    EXPECT_NE(text.find("steps 1-16: xxxxxxxx.xxxxxx.\n"), std::string::npos) << text;
    EXPECT_LE(std::count(text.begin(), text.end(), '\n'), 20);
}

TEST(GainSummary, OvershootAndRampsPrintReadably)
{
    const Transport t(120.0, 44100.0, 0.0);
    // Open steps that ramp in and out a little, closed ones that ring slightly below zero.
    const GainSummary summary = summarise(t, [](int step, double fraction) {
        if (step % 2 == 0)
            return fraction < 0.02 ? static_cast<float>(fraction / 0.02) : 1.0f;
        return fraction < 0.01 ? -0.01f : fraction < 0.5 ? -0.0001f : 0.0f;
    });
    std::ostringstream out;
    summary.print(out);
    const std::string text = out.str();
    EXPECT_NE(text.find("     1   0.990   0.000   1.000  |##########|"), std::string::npos) << text;
    EXPECT_NE(text.find("     2   0.000  -0.010   0.000  |          |"), std::string::npos) << text;
    EXPECT_EQ(text.find("-0.000"), std::string::npos) << text;
    // Steps never read from a plug-in are not made up from the gains.
    EXPECT_EQ(text.find("steps 1-16"), std::string::npos) << text;
}

TEST(ProgressMeter, DrawsInPlaceOnlyWhenEnabled)
{
    std::ostringstream shown;
    ProgressMeter meter(shown, true, "rendering");
    for (int done = 0; done <= 1000; ++done)
        meter.update(done, 1000);
    meter.finish();
    const std::string text = shown.str();
    EXPECT_EQ(text.rfind("\rrendering   0%", 0), 0u) << text;
    EXPECT_NE(text.find("\rrendering  42%"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 101);  // once per percent, not per update
    EXPECT_EQ(text.substr(text.size() - 16), "\rrendering 100%\n");

    std::ostringstream hidden;
    ProgressMeter quiet(hidden, false, "rendering");
    quiet.update(500, 1000);
    quiet.finish();
    EXPECT_TRUE(hidden.str().empty());
}

TEST(ChannelHandling, MonoIsDoubledAndWideFilesRefused)
{
    AudioData mono;
    mono.sampleRate = 8000;
    mono.channels = {{0.1f, -0.2f, 0.3f}};
    const AudioData stereo = RenderApp::toStereo(mono, "m.wav");
    ASSERT_EQ(stereo.channelCount(), 2);
    EXPECT_EQ(stereo.channels[0], mono.channels[0]);
    EXPECT_EQ(stereo.channels[1], mono.channels[0]);

    AudioData both = stereo;
    both.channels[1][0] = 0.9f;
    EXPECT_EQ(RenderApp::toStereo(both, "s.wav").channels, both.channels);

    AudioData wide = stereo;
    wide.channels.push_back(mono.channels[0]);
    try {
        RenderApp::toStereo(wide, "surround.wav");
        ADD_FAILURE() << "accepted three channels";
    } catch (const RenderError& e) {
        EXPECT_NE(std::string(e.what()).find("'surround.wav' has 3 channels"), std::string::npos) << e.what();
    }
}

} // namespace
