#include "render_options.h"

#include "render_error.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace quelt::render {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the run of digits at `at`.
std::size_t digitsAt(const std::string& text, std::size_t at)
{
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return end - at;
}

// A plain decimal number: optional sign, digits with an optional fraction (at
// least one digit in all), optional decimal exponent. strtod alone would also
// take " 12", "0x30", "inf" and "nan".
bool isDecimalNumber(const std::string& text)
{
    std::size_t at = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const std::size_t whole = digitsAt(text, at);
    at += whole;
    std::size_t fraction = 0;
    if (at < text.size() && text[at] == '.') {
        fraction = digitsAt(text, at + 1);
        at += 1 + fraction;
    }
    if (whole + fraction == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        const std::size_t exponent = digitsAt(text, at);
        if (exponent == 0)
            return false;
        at += exponent;
    }
    return at == text.size();
}

bool isDecimalInteger(const std::string& text)
{
    const std::size_t at = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const std::size_t digits = digitsAt(text, at);
    return digits > 0 && at + digits == text.size();
}

double parseNumber(const std::string& option, const std::string& text)
{
    if (text.empty())
        throw UsageError(option + ": empty value, expected a number");
    if (!isDecimalNumber(text))
        throw UsageError(option + ": '" + text + "' is not a number");
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    if (errno == ERANGE || !std::isfinite(value))
        throw UsageError(option + ": '" + text + "' is out of range");
    return value;
}

long parseInteger(const std::string& option, const std::string& text)
{
    if (text.empty())
        throw UsageError(option + ": empty value, expected a whole number");
    if (!isDecimalInteger(text))
        throw UsageError(option + ": '" + text + "' is not a whole number");
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        throw UsageError(option + ": '" + text + "' is out of range");
    return value;
}

std::string formatNumber(double value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}

template <typename T>
void requireRange(const std::string& option, const std::string& text, T value, T low, T high)
{
    if (value < low || value > high)
        throw UsageError(option + ": " + text + " is out of range (" + formatNumber(low) + " to " +
                         formatNumber(high) + ")");
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool takesValue(const std::string& name)
{
    static const char* const kWithValue[] = {"--plugin", "--tempo", "--start", "--pattern", "--mode", "--program",
                                             "--rate",   "--block", "--seconds", "--output", "-o"};
    for (const char* option : kWithValue)
        if (name == option)
            return true;
    return false;
}

bool isFlag(const std::string& name)
{
    return name == "--help" || name == "-h" || name == "--version";
}

} // namespace

StepPattern parsePattern(const std::string& text)
{
    if (text.size() != kStepCount)
        throw UsageError("--pattern: '" + text + "' has " + std::to_string(text.size()) +
                         " characters, expected 16 (1/x open, 0/. closed)");
    StepPattern pattern{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '1' || c == 'x' || c == 'X')
            pattern[i] = true;
        else if (c == '0' || c == '.')
            pattern[i] = false;
        else
            throw UsageError("--pattern: character " + std::to_string(i + 1) + " '" + std::string(1, c) +
                             "' is not one of 1 x X 0 .");
    }
    return pattern;
}

std::string formatPattern(const StepPattern& pattern)
{
    std::string text;
    for (bool open : pattern)
        text += open ? 'x' : '.';
    return text;
}

std::string defaultOutputPath(const std::string& inputPath)
{
    if (inputPath.empty())
        return "quelt-demo.wav";
    // Strip the extension of the file name only, not a dot in a directory name.
    const std::size_t slash = inputPath.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = inputPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    const std::string stem = hasExtension ? inputPath.substr(0, dot) : inputPath;
    return stem + "-gated.wav";
}

RenderOptions parseRenderOptions(const std::vector<std::string>& args)
{
    RenderOptions options;
    bool positionalOnly = false;
    bool outputGiven = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];

        if (positionalOnly || arg.empty() || arg[0] != '-') {
            if (!options.inputPath.empty())
                throw UsageError("more than one input file given ('" + options.inputPath + "' and '" + arg + "')");
            if (arg.empty())
                throw UsageError("empty input file name");
            options.inputPath = arg;
            continue;
        }
        if (arg == "--") {
            positionalOnly = true;
            continue;
        }

        // --name=value and --name value are both accepted.
        std::string name = arg;
        std::optional<std::string> inlineValue;
        const std::size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            name = arg.substr(0, equals);
            inlineValue = arg.substr(equals + 1);
        }

        if (isFlag(name)) {
            if (inlineValue)
                throw UsageError(name + " takes no value");
            if (name == "--version")
                options.showVersion = true;
            else
                options.showHelp = true;
            continue;
        }
        if (!takesValue(name))
            throw UsageError("unknown option '" + name + "' (see --help)");

        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= args.size())
                throw UsageError(name + ": missing value");
            value = args[++i];
        }

        if (name == "--plugin") {
            if (value.empty())
                throw UsageError("--plugin: empty path");
            options.pluginPath = value;
        } else if (name == "--tempo") {
            const double tempo = parseNumber(name, value);
            requireRange(name, value, tempo, OptionLimits::kMinTempo, OptionLimits::kMaxTempo);
            options.tempo = tempo;
        } else if (name == "--start") {
            const double start = parseNumber(name, value);
            requireRange(name, value, start, -OptionLimits::kMaxStartQuarters, OptionLimits::kMaxStartQuarters);
            options.startQuarters = start;
        } else if (name == "--pattern") {
            options.pattern = parsePattern(value);
        } else if (name == "--mode") {
            const std::string mode = lowerCase(value);
            if (mode == "hold")
                options.mode = GateMode::Hold;
            else if (mode == "decay")
                options.mode = GateMode::Decay;
            else
                throw UsageError("--mode: '" + value + "' is not hold or decay");
        } else if (name == "--program") {
            const long program = parseInteger(name, value);
            requireRange(name, value, program, 0L, static_cast<long>(OptionLimits::kMaxProgram));
            options.program = static_cast<int>(program);
        } else if (name == "--rate") {
            const long rate = parseInteger(name, value);
            requireRange(name, value, rate, static_cast<long>(OptionLimits::kMinSampleRate),
                         static_cast<long>(OptionLimits::kMaxSampleRate));
            options.sampleRate = static_cast<int>(rate);
        } else if (name == "--block") {
            const long block = parseInteger(name, value);
            requireRange(name, value, block, static_cast<long>(OptionLimits::kMinBlockSize),
                         static_cast<long>(OptionLimits::kMaxBlockSize));
            options.blockSize = static_cast<int>(block);
        } else if (name == "--seconds") {
            const double seconds = parseNumber(name, value);
            if (!(seconds > 0.0) || seconds > OptionLimits::kMaxSeconds)
                throw UsageError("--seconds: " + value + " is out of range (more than 0, at most " +
                                 formatNumber(OptionLimits::kMaxSeconds) + ")");
            options.seconds = seconds;
        } else if (name == "--output" || name == "-o") {
            if (value.empty())
                throw UsageError(name + ": empty path");
            options.outputPath = value;
            outputGiven = true;
        }
    }

    if (options.showHelp || options.showVersion)
        return options;

    // A file brings its own length; silently ignoring --seconds would surprise.
    if (!options.inputPath.empty() && options.seconds)
        throw UsageError("--seconds sets the length of the demo signal and cannot be used with an input file");
    if (!outputGiven)
        options.outputPath = defaultOutputPath(options.inputPath);
    if (!options.inputPath.empty() && options.outputPath == options.inputPath)
        throw UsageError("output '" + options.outputPath + "' would overwrite the input");
    return options;
}

std::string helpText()
{
    return R"(Usage: quelt-render [OPTIONS] [INPUT.wav]

Renders audio offline through the Quelt gate plug-in, as a host would: the
plug-in is loaded from its library, fed the song position of every block and
run over INPUT (or over a built-in demo signal when no INPUT is given). Writes
a 32-bit float WAV and prints the measured gain of each of the 16 steps.

Options:
  --plugin PATH      plug-in library (default: Quelt.so / Quelt.dll next to
                     this program; on Linux /usr/lib/vst/Quelt.so where there
                     is none next to it)
  --tempo BPM        tempo, 20 to 999 (default 120)
  --start QUARTERS   song position of the first sample in quarter notes; may be
                     negative for a pre-roll (default 0)
  --pattern STEPS    16 characters, 1 or x = open, 0 or . = closed
                     (default: the pattern of the plug-in's program)
  --mode hold|decay  gate mode (default: the mode of the plug-in's program)
  --program N        plug-in program 0..15, selected before --pattern/--mode
  --rate HZ          sample rate of the demo signal, 8000 to 384000
                     (default 44100). An input file keeps its own rate; a
                     different --rate is refused, nothing is resampled.
  --seconds S        length of the demo signal (default 8); not with INPUT
  --block N          frames per processing block, 1 to 65536 (default 512)
  -o, --output PATH  output file (default: INPUT-gated.wav beside the input,
                     or quelt-demo.wav in the current directory)
  -h, --help         show this help
  --version          show the version

INPUT is a mono or stereo WAV file (PCM 8/16/24/32-bit or float); the Linux
build reads every format libsndfile does, AIFF and FLAC included. Mono is fed
to both channels. The output is 32-bit float, so levels are kept exactly; past
4 GiB it is RF64. It is written beside PATH and renamed over it only when
complete, so a failed render leaves an existing file as it was. PATH must be a
regular file (or new) and never the input.
While stderr is a terminal, the progress of the render is shown there.

Exit status: 0 done, 1 the render failed (unreadable input, plug-in that
cannot be loaded, unwritable output), 2 invalid command line.
)";
}

} // namespace quelt::render
