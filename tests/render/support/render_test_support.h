// Helpers shared by the quelt-render tests: where the built programs are,
// per-test scratch files, running the renderer, and reading the probe's trace.
#pragma once

#include "process_runner.h"
#include "render/audio_data.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quelt::test {

using Environment = std::vector<std::pair<std::string, std::string>>;

const std::string& renderExecutable();
const std::string& probePluginPath();

// A file name in the working directory, unique to the running test case so
// tests can run in parallel; any old file of that name is removed.
std::string scratchFile(const std::string& name);

ProcessResult runRender(const std::vector<std::string>& args, const Environment& environment = {});

render::AudioData readWav(const std::string& path);
void writeWav(const std::string& path, const render::AudioData& audio);
bool fileExists(const std::string& path);
std::string readText(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A stereo signal whose samples differ from frame to frame and channel to channel.
render::AudioData rampSignal(int sampleRate, std::size_t frames, int channels = 2);

// One line of the probe's trace.
struct ProbeEvent
{
    int instance = 0;
    std::string name;
    std::vector<std::string> fields;
};

std::vector<ProbeEvent> readProbeLog(const std::string& path);
std::vector<ProbeEvent> eventsOf(const std::vector<ProbeEvent>& events, int instance);
double doubleFromBits(const std::string& hex);

// A processed block as the probe saw it.
struct ProbeBlock
{
    int frames = 0;
    bool hasTime = false;
    double samplePos = 0, sampleRate = 0, ppqPos = 0, tempo = 0;
    int flags = 0;
    bool suspended = false;
};

std::vector<ProbeBlock> blocksOf(const std::vector<ProbeEvent>& events, int instance);

// quelt-render's printed gain summary, read back.
struct SummaryRow
{
    int step = 0;  // 1-based, as printed
    double mean = 0, min = 0, max = 0;
};

struct Summary
{
    std::string heading;
    std::vector<SummaryRow> rows;  // in printed order
    std::string pattern;           // the "steps 1-16:" row
};

Summary parseSummary(const std::string& out);

} // namespace quelt::test
