// The command-line parser of quelt-render, linked directly.
#include "render/render_error.h"
#include "render/render_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace quelt::render;

RenderOptions parse(std::vector<std::string> args)
{
    return parseRenderOptions(args);
}

// The parser must refuse `args` with a message that names `mention`.
void expectUsageError(const std::vector<std::string>& args, const std::string& mention)
{
    try {
        parseRenderOptions(args);
        ADD_FAILURE() << "accepted: " << ::testing::PrintToString(args);
    } catch (const UsageError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(mention), std::string::npos) << "message '" << message << "' lacks '" << mention << "'";
        EXPECT_EQ(message.find('\n'), std::string::npos) << "message is not one line: " << message;
    }
}

TEST(RenderOptions, DefaultsDescribeTheDemoRender)
{
    const RenderOptions o = parse({});
    EXPECT_FALSE(o.showHelp);
    EXPECT_TRUE(o.pluginPath.empty());
    EXPECT_EQ(o.tempo, 120.0);
    EXPECT_EQ(o.startQuarters, 0.0);
    EXPECT_FALSE(o.pattern.has_value());
    EXPECT_FALSE(o.mode.has_value());
    EXPECT_FALSE(o.program.has_value());
    EXPECT_EQ(o.demoSampleRate(), 44100);
    EXPECT_EQ(o.demoSeconds(), 8.0);
    EXPECT_EQ(o.blockSize, 512);
    EXPECT_TRUE(o.inputPath.empty());
    EXPECT_EQ(o.outputPath, "quelt-demo.wav");
}

TEST(RenderOptions, EveryOptionIsRead)
{
    const RenderOptions o = parse({"--plugin", "p/Q.so", "--tempo", "97.5", "--start", "-2.25", "--pattern",
                                   "x.x.1010XXxx..00", "--mode", "decay", "--program", "15", "--rate", "48000",
                                   "--block", "1", "--seconds", "0.5", "-o", "out.wav"});
    EXPECT_EQ(o.pluginPath, "p/Q.so");
    EXPECT_EQ(o.tempo, 97.5);
    EXPECT_EQ(o.startQuarters, -2.25);
    ASSERT_TRUE(o.pattern.has_value());
    EXPECT_EQ(formatPattern(*o.pattern), "x.x.x.x.xxxx....");
    EXPECT_EQ(o.mode, GateMode::Decay);
    EXPECT_EQ(o.program, 15);
    EXPECT_EQ(o.sampleRate, 48000);
    EXPECT_EQ(o.blockSize, 1);
    EXPECT_EQ(o.seconds, 0.5);
    EXPECT_EQ(o.outputPath, "out.wav");
}

TEST(RenderOptions, InlineValuesAndModeCase)
{
    const RenderOptions o = parse({"--tempo=140", "--mode=HOLD", "--output=x.wav", "--start=-1", "in.wav"});
    EXPECT_EQ(o.tempo, 140.0);
    EXPECT_EQ(o.mode, GateMode::Hold);
    EXPECT_EQ(o.outputPath, "x.wav");
    EXPECT_EQ(o.startQuarters, -1.0);
    EXPECT_EQ(o.inputPath, "in.wav");
}

TEST(RenderOptions, NegativeStartIsAValueNotAnOption)
{
    EXPECT_EQ(parse({"--start", "-0.5"}).startQuarters, -0.5);
    EXPECT_EQ(parse({"--start", "-1e3"}).startQuarters, -1000.0);
}

TEST(RenderOptions, OutputDefaultsFollowTheInput)
{
    EXPECT_EQ(parse({"song.wav"}).outputPath, "song-gated.wav");
    EXPECT_EQ(parse({"dir.v2/take"}).outputPath, "dir.v2/take-gated.wav");
    EXPECT_EQ(parse({"a/b.c/mix.flac"}).outputPath, "a/b.c/mix-gated.wav");
    EXPECT_EQ(defaultOutputPath("C:\\x.y\\in.wav"), "C:\\x.y\\in-gated.wav");
    EXPECT_EQ(defaultOutputPath(""), "quelt-demo.wav");
}

TEST(RenderOptions, DoubleDashEndsOptions)
{
    const RenderOptions o = parse({"--", "-weird name.wav"});
    EXPECT_EQ(o.inputPath, "-weird name.wav");
    EXPECT_EQ(o.outputPath, "-weird name-gated.wav");
}

TEST(RenderOptions, HelpAndVersionWinOverEverythingElse)
{
    EXPECT_TRUE(parse({"--help"}).showHelp);
    EXPECT_TRUE(parse({"-h", "in.wav", "--seconds", "3"}).showHelp);
    EXPECT_TRUE(parse({"--version"}).showVersion);
    const std::string help = helpText();
    for (const char* option : {"--plugin", "--tempo", "--start", "--pattern", "--mode", "--program", "--rate",
                               "--seconds", "--block", "--output", "Exit status"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(RenderOptions, PatternCharacters)
{
    const StepPattern p = parsePattern("1x.0X..x11000000");
    const bool expected[16] = {true, true, false, false, true, false, false, true,
                               true, true, false, false, false, false, false, false};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p[static_cast<std::size_t>(i)], expected[i]) << "step " << i + 1;
    EXPECT_EQ(formatPattern(p), "xx..x..xxx......");
}

TEST(RenderOptions, RangeEdgesAreAccepted)
{
    EXPECT_EQ(parse({"--tempo", "20"}).tempo, 20.0);
    EXPECT_EQ(parse({"--tempo", "999"}).tempo, 999.0);
    EXPECT_EQ(parse({"--block", "65536"}).blockSize, 65536);
    EXPECT_EQ(parse({"--rate", "8000"}).sampleRate, 8000);
    EXPECT_EQ(parse({"--rate", "384000"}).sampleRate, 384000);
    EXPECT_EQ(parse({"--program", "0"}).program, 0);
    EXPECT_EQ(parse({"--seconds", "3600"}).seconds, 3600.0);
}

TEST(RenderOptions, NumbersArePlainDecimals)
{
    const struct
    {
        const char* text;
        double value;
    } accepted[] = {{"48", 48.0},   {"+48", 48.0},     {"48.", 48.0},   {"48.25", 48.25},
                    {".5e2", 50.0}, {"4.8E+1", 48.0}, {"480e-1", 48.0}, {"0048", 48.0}};
    for (const auto& a : accepted)
        EXPECT_EQ(parse({"--tempo", a.text}).tempo, a.value) << a.text;
    EXPECT_EQ(parse({"--start", "-.25"}).startQuarters, -0.25);
    EXPECT_EQ(parse({"--rate", "+08000"}).sampleRate, 8000);

    // strtod reads all of these as numbers; none is a plain decimal.
    for (const char* text : {"0x30", "0X1E", "0x1p5", "infinity", "-inf", "+nan", "nan(1)", "1e", "1e+", "e5",
                             ".", "-", "+-30", "3O", "30 ", "\t30", "1,5", "1.5.0", "0b110000"})
        expectUsageError({"--tempo", text}, "--tempo: '" + std::string(text) + "' is not a number");
    for (const char* text : {"0x1F40", "8e3", "8000.0", " 8000", "8000 ", "+-8000", "0b1"})
        expectUsageError({"--rate", text}, "--rate: '" + std::string(text) + "' is not a whole number");
}

TEST(RenderOptions, MalformedNumbersAreRefused)
{
    expectUsageError({"--tempo", "12x"}, "--tempo: '12x' is not a number");
    expectUsageError({"--tempo", ""}, "--tempo");
    expectUsageError({"--tempo", " 120"}, "not a number");
    expectUsageError({"--tempo", "nan"}, "not a number");
    expectUsageError({"--tempo", "inf"}, "not a number");
    expectUsageError({"--start", "1e999"}, "out of range");
    expectUsageError({"--start", "abc"}, "--start");
    expectUsageError({"--block", "1.5"}, "--block: '1.5' is not a whole number");
    expectUsageError({"--rate", "44.1k"}, "--rate");
    expectUsageError({"--program", "one"}, "--program");
    expectUsageError({"--seconds", "2s"}, "--seconds");
    expectUsageError({"--block", "99999999999999999999"}, "out of range");
}

TEST(RenderOptions, OutOfRangeValuesAreRefused)
{
    expectUsageError({"--tempo", "19.99"}, "--tempo: 19.99 is out of range (20 to 999)");
    expectUsageError({"--tempo", "1000"}, "out of range");
    expectUsageError({"--tempo", "-120"}, "out of range");
    expectUsageError({"--block", "0"}, "--block: 0 is out of range (1 to 65536)");
    expectUsageError({"--block", "65537"}, "out of range");
    expectUsageError({"--rate", "7999"}, "--rate");
    expectUsageError({"--rate", "384001"}, "--rate");
    expectUsageError({"--program", "16"}, "--program: 16 is out of range (0 to 15)");
    expectUsageError({"--program", "-1"}, "--program");
    expectUsageError({"--seconds", "0"}, "--seconds");
    expectUsageError({"--seconds", "-1"}, "--seconds");
    expectUsageError({"--seconds", "3600.5"}, "--seconds");
    expectUsageError({"--start", "1000001"}, "--start");
}

TEST(RenderOptions, BadPatternsAndModesAreRefused)
{
    expectUsageError({"--pattern", "x.x."}, "has 4 characters, expected 16");
    expectUsageError({"--pattern", "x.x.x.x.x.x.x.x.x"}, "has 17 characters");
    expectUsageError({"--pattern", "x.x.x.x.x.x.x.xo"}, "character 16 'o'");
    expectUsageError({"--pattern", "x x.x.x.x.x.x.x."}, "character 2 ' '");
    expectUsageError({"--mode", "gate"}, "--mode: 'gate' is not hold or decay");
}

TEST(RenderOptions, StructuralMistakesAreRefused)
{
    expectUsageError({"--frobnicate"}, "unknown option '--frobnicate'");
    expectUsageError({"-x"}, "unknown option '-x'");
    expectUsageError({"--tempo"}, "--tempo: missing value");
    expectUsageError({"in.wav", "-o"}, "-o: missing value");
    expectUsageError({"a.wav", "b.wav"}, "more than one input file");
    expectUsageError({"--help=yes"}, "--help takes no value");
    expectUsageError({"--plugin", ""}, "--plugin: empty path");
    expectUsageError({"--seconds", "2", "in.wav"}, "--seconds");
    expectUsageError({"in.wav", "-o", "in.wav"}, "would overwrite the input");
}

} // namespace
