// quelt-render as a host: run as a separate program against the probe
// plug-in, whose trace and output show what the host told it.
#include "fixture/fixture_protocol.h"
#include "render/plugin_instance.h"
#include "render/plugin_module.h"
#include "render/render_error.h"
#include "render/wav_file_io.h"
#include "support/render_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace {

using namespace quelt::test;
using quelt::render::AudioData;

constexpr int kTransportFlags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid;

double expectedPpq(double start, double frame, double tempo, double rate)
{
    return start + frame * tempo / (60.0 * rate);
}

std::string number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// A render of `input` (or of the demo when it is empty) through the probe.
struct ProbeRender
{
    ProcessResult result;
    AudioData output;
    std::vector<ProbeEvent> log;
};

ProbeRender renderThroughProbe(std::vector<std::string> args, const std::string& outputMode,
                               const Environment& extra = {})
{
    const std::string logPath = scratchFile("probe.log");
    const std::string outPath = scratchFile("out.wav");
    args.insert(args.begin(), {"--plugin", probePluginPath(), "-o", outPath});
    Environment environment{{"QUELT_PROBE_LOG", logPath}, {"QUELT_PROBE_OUTPUT", outputMode}};
    environment.insert(environment.end(), extra.begin(), extra.end());
    ProbeRender render;
    render.result = runRender(args, environment);
    if (render.result.exitCode == 0)
        render.output = readWav(outPath);
    render.log = readProbeLog(logPath);
    return render;
}

// The probe's calls apart from processing, as "name field field ...".
std::vector<std::string> callSequence(const std::vector<ProbeEvent>& events, int instance)
{
    std::vector<std::string> calls;
    for (const ProbeEvent& e : eventsOf(events, instance)) {
        if (e.name == "process") {
            if (calls.empty() || calls.back() != "process")
                calls.push_back("process");
            continue;
        }
        std::string call = e.name;
        for (const std::string& field : e.fields)
            call += " " + field;
        calls.push_back(call);
    }
    return calls;
}

struct TimingCase
{
    double tempo;
    double start;
    int block;
    int rate;
    std::size_t frames;  // 0: the demo signal with --seconds
    double seconds;
};

std::string describe(const TimingCase& c)
{
    std::ostringstream text;
    text << c.tempo << " BPM, start " << c.start << ", block " << c.block << ", " << c.rate << " Hz, "
         << (c.frames ? std::to_string(c.frames) + " frames from a file" : "demo");
    return text.str();
}

ProbeRender renderCase(const TimingCase& c, const std::string& outputMode)
{
    std::vector<std::string> args{"--tempo", number(c.tempo), "--start", number(c.start), "--block",
                                  std::to_string(c.block)};
    if (c.frames) {
        const std::string input = scratchFile("in.wav");
        writeWav(input, rampSignal(c.rate, c.frames));
        args.push_back(input);
    } else {
        args.insert(args.end(), {"--rate", std::to_string(c.rate), "--seconds", number(c.seconds)});
    }
    return renderThroughProbe(args, outputMode);
}

const TimingCase kTimingCases[] = {
    {120.0, 0.0, 512, 44100, 0, 0.5},
    {97.5, -2.5, 1000, 48000, 30011, 0},
    {174.3, 7.125, 1, 22050, 4099, 0},
    {60.0, 0.0, 4096, 96000, 0, 0.25},
    {133.0, -0.3, 65536, 44100, 100000, 0},
    {20.0, -1.0, 441, 8000, 8000, 0},
    {999.0, 1000.5, 64, 384000, 0, 0.05},
    {140.0, 0.0, 7, 44100, 1000, 0},
};

TEST(HostTiming, EveryBlockGetsItsExactSongPosition)
{
    for (const TimingCase& c : kTimingCases) {
        SCOPED_TRACE(describe(c));
        const ProbeRender r = renderCase(c, "frames");
        ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
        const std::size_t frames = c.frames ? c.frames : static_cast<std::size_t>(std::llround(c.seconds * c.rate));

        const std::vector<ProbeBlock> blocks = blocksOf(r.log, 1);
        ASSERT_EQ(blocks.size(), (frames + static_cast<std::size_t>(c.block) - 1) / static_cast<std::size_t>(c.block));
        std::size_t position = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const ProbeBlock& block = blocks[b];
            const std::size_t expectedFrames = std::min<std::size_t>(static_cast<std::size_t>(c.block), frames - position);
            ASSERT_TRUE(block.hasTime) << "block " << b << " got no time information";
            ASSERT_EQ(block.frames, static_cast<int>(expectedFrames)) << "block " << b;
            ASSERT_EQ(block.samplePos, static_cast<double>(position)) << "block " << b;
            ASSERT_EQ(block.sampleRate, static_cast<double>(c.rate)) << "block " << b;
            ASSERT_EQ(block.tempo, c.tempo) << "block " << b;
            // Bit for bit: computed from the frame count, so no drift even after thousands of blocks.
            ASSERT_EQ(block.ppqPos, expectedPpq(c.start, static_cast<double>(position), c.tempo, c.rate)) << "block " << b;
            ASSERT_EQ(block.flags, kTransportFlags) << "block " << b;
            ASSERT_FALSE(block.suspended) << "block " << b << " processed while suspended";
            position += expectedFrames;
        }
        EXPECT_EQ(position, frames);
    }
}

TEST(HostTiming, OutputSamplesLandWhereThePluginMadeThem)
{
    for (const TimingCase& c : kTimingCases) {
        if (c.frames > 50000 || c.seconds * c.rate > 50000)
            continue;
        SCOPED_TRACE(describe(c));
        const ProbeRender r = renderCase(c, "frames");
        ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
        ASSERT_EQ(r.output.sampleRate, c.rate);
        ASSERT_EQ(r.output.channelCount(), 2);
        // The probe writes its own idea of the frame number left and the offset in the block right.
        for (std::size_t n = 0; n < r.output.frames(); ++n) {
            ASSERT_EQ(r.output.channels[0][n], static_cast<float>(n)) << "frame " << n;
            ASSERT_EQ(r.output.channels[1][n], static_cast<float>(n % static_cast<std::size_t>(c.block))) << "frame " << n;
        }
    }
}

TEST(HostTiming, SongPositionOfEverySampleInTheFile)
{
    for (const TimingCase& c : {kTimingCases[1], kTimingCases[2], kTimingCases[6]}) {
        SCOPED_TRACE(describe(c));
        const ProbeRender r = renderCase(c, "clock");
        ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
        for (std::size_t n = 0; n < r.output.frames(); ++n) {
            const double ppq = static_cast<double>(r.output.channels[0][n]) + r.output.channels[1][n];
            ASSERT_NEAR(ppq, expectedPpq(c.start, static_cast<double>(n), c.tempo, c.rate), 1e-9) << "frame " << n;
        }
    }
}

TEST(HostTiming, GainInstanceCoversOneCycleFromTheSameStart)
{
    const TimingCase c{97.5, -2.5, 1000, 48000, 30011, 0};
    const ProbeRender r = renderCase(c, "frames");
    ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
    const std::vector<ProbeBlock> blocks = blocksOf(r.log, 2);
    ASSERT_FALSE(blocks.empty());
    double frames = 0;
    for (const ProbeBlock& block : blocks) {
        ASSERT_LE(block.frames, c.block);
        ASSERT_EQ(block.samplePos, frames);
        ASSERT_EQ(block.ppqPos, expectedPpq(c.start, frames, c.tempo, c.rate));
        ASSERT_EQ(block.tempo, c.tempo);
        ASSERT_EQ(block.sampleRate, c.rate);
        frames += block.frames;
    }
    // 16 sixteenths: from start up to, not including, start + 4 quarters.
    EXPECT_LT(expectedPpq(c.start, frames - 1, c.tempo, c.rate), c.start + 4.0);
    EXPECT_GE(expectedPpq(c.start, frames, c.tempo, c.rate), c.start + 4.0);
}

TEST(HostSequence, CallsComeInTheOrderAHostMakesThem)
{
    const ProbeRender r = renderThroughProbe({"--seconds", "0.2", "--block", "256", "--program", "3", "--pattern",
                                              "x..x.x..x...xx.x", "--mode", "decay"},
                                             "gate");
    ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
    std::vector<std::string> expected{"entry", "version 2400", "open", "rate 44100", "block 256", "program 3"};
    const std::string pattern = "x..x.x..x...xx.x";
    for (int step = 0; step < 16; ++step)
        expected.push_back("param " + std::to_string(step) + (pattern[static_cast<std::size_t>(step)] == 'x' ? " 1" : " 0"));
    expected.insert(expected.end(), {"param 16 1", "mains 1", "process", "mains 0", "close"});

    // The rendering instance, then the gain instance with the same settings.
    EXPECT_EQ(callSequence(r.log, 1), expected);
    EXPECT_EQ(callSequence(r.log, 2), expected);
    ASSERT_FALSE(r.log.empty());
    EXPECT_EQ(r.log.back().instance, 2);
    EXPECT_EQ(callSequence(r.log, 3), std::vector<std::string>{});
    // The first instance is closed before the second is made.
    std::size_t firstClose = 0, secondEntry = 0;
    for (std::size_t i = 0; i < r.log.size(); ++i) {
        if (r.log[i].instance == 1 && r.log[i].name == "close")
            firstClose = i;
        if (r.log[i].instance == 2 && r.log[i].name == "entry")
            secondEntry = i;
    }
    EXPECT_LT(firstClose, secondEntry);
}

TEST(HostSequence, NothingIsSetThatWasNotAskedFor)
{
    const ProbeRender r = renderThroughProbe({"--seconds", "0.1", "--rate", "96000"}, "gate");
    ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
    const std::vector<std::string> expected{"entry", "version 2400", "open", "rate 96000", "block 512",
                                            "mains 1", "process", "mains 0", "close"};
    EXPECT_EQ(callSequence(r.log, 1), expected);
    EXPECT_EQ(callSequence(r.log, 2), expected);
}

TEST(HostSequence, ModeAloneAndProgramAlone)
{
    const ProbeRender hold = renderThroughProbe({"--seconds", "0.1", "--mode", "hold"}, "gate");
    ASSERT_EQ(hold.result.exitCode, 0) << hold.result.err;
    const std::vector<std::string> modeOnly{"entry", "version 2400", "open", "rate 44100", "block 512",
                                            "param 16 0", "mains 1", "process", "mains 0", "close"};
    EXPECT_EQ(callSequence(hold.log, 1), modeOnly);

    const ProbeRender program = renderThroughProbe({"--seconds", "0.1", "--program", "0"}, "gate");
    ASSERT_EQ(program.result.exitCode, 0) << program.result.err;
    const std::vector<std::string> programOnly{"entry", "version 2400", "open", "rate 44100", "block 512",
                                               "program 0", "mains 1", "process", "mains 0", "close"};
    EXPECT_EQ(callSequence(program.log, 1), programOnly);
}

// Expected probe gain at song position `ppq`, or -1 within a hair of a step
// edge, where the plug-in's and the test's rounding may disagree.
float idealGain(const std::string& pattern, bool decay, double ppq)
{
    const double sixteenths = ppq * 4.0;
    const double whole = std::floor(sixteenths);
    const double fraction = sixteenths - whole;
    if (fraction < 1e-9 || fraction > 1.0 - 1e-9)
        return -1.0f;
    const int step = static_cast<int>(((static_cast<long long>(whole) % 16) + 16) % 16);
    if (pattern[static_cast<std::size_t>(step)] != 'x')
        return 0.0f;
    return decay ? static_cast<float>(1.0 - fraction) : 1.0f;
}

TEST(HostAudio, InputReachesThePluginAndItsOutputTheFile)
{
    const std::string pattern = "xx.x..x.x.xxx..x";
    for (const bool decay : {false, true}) {
        SCOPED_TRACE(decay ? "decay" : "hold");
        const std::string input = scratchFile("in.wav");
        const AudioData source = rampSignal(44100, 50000);
        writeWav(input, source);
        const ProbeRender r = renderThroughProbe(
            {"--pattern", pattern, "--mode", decay ? "decay" : "hold", "--start", "-0.75", "--block", "300", input},
            "gate");
        ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
        ASSERT_EQ(r.output.frames(), source.frames());
        std::size_t checked = 0;
        for (std::size_t n = 0; n < source.frames(); ++n) {
            const float gain = idealGain(pattern, decay, expectedPpq(-0.75, static_cast<double>(n), 120.0, 44100.0));
            if (gain < 0)
                continue;
            ++checked;
            ASSERT_EQ(r.output.channels[0][n], source.channels[0][n] * gain) << "frame " << n;
            ASSERT_EQ(r.output.channels[1][n], source.channels[1][n] * gain) << "frame " << n;
        }
        EXPECT_GT(checked, source.frames() - 20);
    }
}

TEST(HostAudio, MonoFileFeedsBothChannels)
{
    const std::string input = scratchFile("mono.wav");
    const AudioData mono = rampSignal(32000, 7000, 1);
    writeWav(input, mono);
    const ProbeRender r = renderThroughProbe({"--pattern", "xxxxxxxxxxxxxxxx", input}, "gate");
    ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
    EXPECT_NE(r.result.out.find("(mono)"), std::string::npos) << r.result.out;
    ASSERT_EQ(r.output.channelCount(), 2);
    EXPECT_EQ(r.output.sampleRate, 32000);
    EXPECT_EQ(r.output.channels[0], mono.channels[0]);
    EXPECT_EQ(r.output.channels[1], mono.channels[0]);
}

TEST(HostAudio, SingleInputPluginGetsTheMonoMix)
{
    const std::string input = scratchFile("in.wav");
    const AudioData source = rampSignal(44100, 3000);
    writeWav(input, source);
    const ProbeRender r =
        renderThroughProbe({"--pattern", "xxxxxxxxxxxxxxxx", input}, "gate", {{"QUELT_PROBE_FAULT", "mono-in"}});
    ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
    for (std::size_t n = 0; n < source.frames(); ++n) {
        const float mix = 0.5f * (source.channels[0][n] + source.channels[1][n]);
        ASSERT_EQ(r.output.channels[0][n], mix) << n;
        ASSERT_EQ(r.output.channels[1][n], mix) << n;
    }
}

TEST(HostAudio, DefaultOutputNameSitsBesideTheInput)
{
    const std::string input = scratchFile("song.wav");
    const std::string expectedOutput = input.substr(0, input.size() - 4) + "-gated.wav";
    std::remove(expectedOutput.c_str());
    writeWav(input, rampSignal(44100, 1000));
    const ProcessResult r = runRender({"--plugin", probePluginPath(), input});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fileExists(expectedOutput));
    EXPECT_NE(r.out.find(expectedOutput), std::string::npos) << r.out;
    EXPECT_EQ(readWav(expectedOutput).frames(), 1000u);
    std::remove(expectedOutput.c_str());
}

TEST(HostAudio, QuietOnStderrWhenItIsNotATerminal)
{
    const ProbeRender r = renderThroughProbe({"--seconds", "1"}, "gate");
    ASSERT_EQ(r.result.exitCode, 0) << r.result.err;
    EXPECT_EQ(r.result.err, "");
}

Summary summaryOf(const std::vector<std::string>& args, const Environment& environment = {})
{
    const ProbeRender r = renderThroughProbe(args, "gate", environment);
    EXPECT_EQ(r.result.exitCode, 0) << r.result.err;
    return parseSummary(r.result.out);
}

TEST(GainSummaryOutput, HoldPatternReadsBackExactly)
{
    const std::string pattern = "x..xx.x.x.xx..x.";
    const Summary s = summaryOf({"--seconds", "0.3", "--pattern", pattern, "--mode", "hold"});
    EXPECT_NE(s.heading.find("from quarter 0 at 120 BPM, HOLD"), std::string::npos) << s.heading;
    ASSERT_EQ(s.rows.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(s.rows[static_cast<std::size_t>(i)].step, i + 1);
        const double gain = pattern[static_cast<std::size_t>(i)] == 'x' ? 1.0 : 0.0;
        EXPECT_EQ(s.rows[static_cast<std::size_t>(i)].mean, gain) << "step " << i + 1;
    }
    EXPECT_EQ(s.pattern, pattern);
}

TEST(GainSummaryOutput, DecayShowsTheFallWithinOpenSteps)
{
    const std::string pattern = "x.x.x.x.xxxx....";
    const Summary s = summaryOf({"--seconds", "0.3", "--pattern", pattern, "--mode", "decay", "--tempo", "90",
                                 "--rate", "48000", "--block", "333"});
    EXPECT_NE(s.heading.find("at 90 BPM, DECAY"), std::string::npos) << s.heading;
    ASSERT_EQ(s.rows.size(), 16u);
    for (const SummaryRow& row : s.rows) {
        if (pattern[static_cast<std::size_t>(row.step - 1)] == 'x') {
            EXPECT_NEAR(row.mean, 0.5, 0.001) << "step " << row.step;
            EXPECT_LE(row.min, 0.001) << "step " << row.step;
            EXPECT_GE(row.max, 0.999) << "step " << row.step;
        } else {
            EXPECT_EQ(row.mean, 0.0) << "step " << row.step;
            EXPECT_EQ(row.max, 0.0) << "step " << row.step;
        }
    }
    // The steps as the plug-in runs them, not the mean gains.
    EXPECT_EQ(s.pattern, pattern);
}

TEST(GainSummaryOutput, CycleStartsWhereTheSongDoes)
{
    const std::string pattern = "xxx.....x.x.x.x.";
    for (const double start : {1.25, -0.1, 7.3}) {
        SCOPED_TRACE(start);
        const Summary s = summaryOf({"--seconds", "0.2", "--pattern", pattern, "--start", number(start)});
        ASSERT_EQ(s.rows.size(), 16u);
        const int first = static_cast<int>(((static_cast<long long>(std::floor(start * 4)) % 16) + 16) % 16);
        for (int i = 0; i < 16; ++i) {
            const SummaryRow& row = s.rows[static_cast<std::size_t>(i)];
            EXPECT_EQ(row.step, (first + i) % 16 + 1);
            EXPECT_EQ(row.mean, pattern[static_cast<std::size_t>(row.step - 1)] == 'x' ? 1.0 : 0.0) << "step " << row.step;
        }
        EXPECT_EQ(s.pattern, pattern);
    }
}

TEST(GainSummaryOutput, ProgramIsSelectedBeforeTheOverrides)
{
    using namespace quelt::probe;
    std::string programFive;
    for (bool open : programPattern(5))
        programFive += open ? 'x' : '.';
    ASSERT_TRUE(programIsDecay(5));

    // The program alone: its own pattern, and DECAY, so open steps average one half.
    const Summary alone = summaryOf({"--seconds", "0.1", "--program", "5"});
    EXPECT_NE(alone.heading.find("DECAY"), std::string::npos) << alone.heading;
    EXPECT_EQ(alone.pattern, programFive);
    for (const SummaryRow& row : alone.rows)
        EXPECT_NEAR(row.mean, programFive[static_cast<std::size_t>(row.step - 1)] == 'x' ? 0.5 : 0.0, 0.001);

    // With overrides: the program comes first, so pattern and mode win.
    const Summary overridden = summaryOf({"--seconds", "0.1", "--program", "5", "--pattern", "....xxxx....xxxx",
                                          "--mode", "hold"});
    EXPECT_NE(overridden.heading.find("HOLD"), std::string::npos) << overridden.heading;
    EXPECT_EQ(overridden.pattern, "....xxxx....xxxx");
}

TEST(HostEntry, OldMainEntryPointIsUsedWhenItIsTheOnlyOne)
{
    const std::string out = scratchFile("out.wav");
    const ProcessResult r = runRender({"--plugin", QUELT_PROBE_MAIN_ONLY_PLUGIN, "--seconds", "0.1", "--pattern",
                                       "x...............", "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("steps 1-16: x..............."), std::string::npos) << r.out;
}

void expectFailure(const ProcessResult& r, int code, const std::string& mention)
{
    EXPECT_EQ(r.exitCode, code) << r.err;
    EXPECT_NE(r.err.find("quelt-render: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << "stderr: " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "not one line: " << r.err;
}

TEST(HostRejects, RecordsItCannotHost)
{
    const struct
    {
        const char* fault;
        const char* message;
        bool closed;  // a valid record is handed back to the plug-in to free
    } cases[] = {
        {"null", "returned no effect from its entry point", false},
        {"magic", "without the VST magic number", false},
        {"no-replacing", "does not support processReplacing", true},
        {"mono-out", "has 2 inputs and 1 output; quelt-render needs 1 or more inputs and 2 or more outputs", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const std::string out = scratchFile("out.wav");
        const ProbeRender r = renderThroughProbe({"--seconds", "0.1"}, "gate", {{"QUELT_PROBE_FAULT", c.fault}});
        expectFailure(r.result, 1, c.message);
        EXPECT_FALSE(fileExists(out));
        const std::vector<std::string> calls = callSequence(r.log, 1);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[1], "version 2400");
        EXPECT_EQ(calls.back() == "close", c.closed) << calls.back();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "open"), 0);
    }
}

TEST(HostRejects, LibrariesThatAreNotPlugins)
{
    expectFailure(runRender({"--plugin", "no-such-plugin.so", "--seconds", "0.1", "-o", scratchFile("o.wav")}), 1,
                  "plug-in 'no-such-plugin.so' does not exist");
    expectFailure(runRender({"--plugin", QUELT_NOT_A_PLUGIN, "--seconds", "0.1", "-o", scratchFile("o.wav")}), 1,
                  "exports neither VSTPluginMain nor main");
    const std::string text = scratchFile("text.dll");
    writeWav(text, rampSignal(8000, 10));  // a file, but no library
    expectFailure(runRender({"--plugin", text, "--seconds", "0.1", "-o", scratchFile("o.wav")}), 1,
                  "cannot load plug-in '" + text + "'");
}

TEST(HostRejects, InputsItCannotRender)
{
    const std::string out = scratchFile("out.wav");
    const auto render = [&](const std::vector<std::string>& args) {
        std::vector<std::string> all{"--plugin", probePluginPath(), "-o", out};
        all.insert(all.end(), args.begin(), args.end());
        return runRender(all);
    };

    expectFailure(render({"no-such-input.wav"}), 1, "no-such-input.wav");

    const std::string garbage = scratchFile("garbage.wav");
    {
        std::FILE* f = std::fopen(garbage.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("this is not a sound file, just some words\n", f);
        std::fclose(f);
    }
    expectFailure(render({garbage}), 1, garbage);

    const std::string wide = scratchFile("wide.wav");
    writeWav(wide, rampSignal(44100, 100, 3));
    expectFailure(render({wide}), 1, "has 3 channels; quelt-render takes mono or stereo files");

    const std::string empty = scratchFile("empty.wav");
    writeWav(empty, rampSignal(44100, 0, 2));
    expectFailure(render({empty}), 1, "contains no audio");

    // A header libsndfile reports only as "SF_INFO struct incomplete".
    const std::string noRate = scratchFile("rate0.wav");
    std::vector<std::uint8_t> bytes = quelt::render::WavFileIO::encodeFloat(rampSignal(44100, 100, 2));
    std::fill(bytes.begin() + 24, bytes.begin() + 32, std::uint8_t{0});  // sample rate, bytes per second
    writeBytes(noRate, bytes);
    expectFailure(render({noRate}), 1, "'" + noRate + "': WAVE header declares an invalid sample rate (0 Hz)");

    const std::string at48k = scratchFile("48k.wav");
    writeWav(at48k, rampSignal(48000, 100, 2));
    expectFailure(render({"--rate", "44100", at48k}), 2, "--rate 44100 conflicts with the 48000 Hz of");
    EXPECT_FALSE(fileExists(out));
    // The file's own rate repeated is no conflict.
    ASSERT_EQ(render({"--rate", "48000", at48k}).exitCode, 0);
    EXPECT_EQ(readWav(out).sampleRate, 48000);

    // An unwritable output is found before the plug-in is even loaded.
    const std::string logPath = scratchFile("probe.log");
    expectFailure(runRender({"--plugin", probePluginPath(), "--seconds", "0.1", "-o", "no-such-dir/out.wav"},
                            {{"QUELT_PROBE_LOG", logPath}}),
                  1, "cannot create 'no-such-dir/out.wav'");
    EXPECT_TRUE(readProbeLog(logPath).empty());
}

TEST(HostRejects, ProgramOrParametersThePluginDoesNotHave)
{
    // The probe has 16 programs and 17 parameters, so these go through...
    EXPECT_EQ(runRender({"--plugin", probePluginPath(), "--seconds", "0.05", "--program", "15", "--pattern",
                         "xxxxxxxxxxxxxxxx", "--mode", "decay", "-o", scratchFile("o.wav")})
                  .exitCode,
              0);
    // ...while a program past the plug-in's own count is refused before it reaches it.
    const auto module = quelt::render::PluginModule::load(probePluginPath());
    quelt::render::PluginInstance instance(*module);
    EXPECT_EQ(instance.inputCount(), 2);
    EXPECT_EQ(instance.outputCount(), 2);
    EXPECT_EQ(instance.parameterCount(), 17);
    instance.open(44100, 64);
    quelt::render::PluginSettings settings;
    settings.program = 16;
    EXPECT_THROW(instance.apply(settings), quelt::render::RenderError);
    instance.close();
}

} // namespace
