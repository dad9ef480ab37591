#include "render_test_support.h"

#include "render/wav_file_io.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace quelt::test {

const std::string& renderExecutable()
{
    static const std::string path = QUELT_RENDER_EXE;
    return path;
}

const std::string& probePluginPath()
{
    static const std::string path = QUELT_PROBE_PLUGIN;
    return path;
}

std::string scratchFile(const std::string& name)
{
    std::string prefix = "scratch";
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
        prefix = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : prefix)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.')
                c = '_';
    }
    const std::string path = "render-scratch-" + prefix + "-" + name;
    std::remove(path.c_str());
    return path;
}

ProcessResult runRender(const std::vector<std::string>& args, const Environment& environment)
{
    return runProcess(renderExecutable(), args, environment);
}

render::AudioData readWav(const std::string& path)
{
    return render::WavFileIO().read(path);
}

void writeWav(const std::string& path, const render::AudioData& audio)
{
    render::WavFileIO().writeFloatWav(path, audio);
}

bool fileExists(const std::string& path)
{
    return std::ifstream(path, std::ios::binary).good();
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        ADD_FAILURE() << "cannot write " << path;
}

render::AudioData rampSignal(int sampleRate, std::size_t frames, int channels)
{
    render::AudioData audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign(static_cast<std::size_t>(channels), std::vector<float>(frames));
    for (int c = 0; c < channels; ++c)
        for (std::size_t n = 0; n < frames; ++n)
            // Distinct, non-zero, exactly representable values in (-1, 1).
            audio.channels[static_cast<std::size_t>(c)][n] =
                static_cast<float>(((n * 7 + static_cast<std::size_t>(c) * 3001) % 4093) + 1) / 8192.0f *
                (c % 2 ? -1.0f : 1.0f);
    return audio;
}

std::vector<ProbeEvent> readProbeLog(const std::string& path)
{
    std::vector<ProbeEvent> events;
    std::istringstream in(readText(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string tag;
        ProbeEvent event;
        if (!(words >> tag >> event.name) || tag.size() < 2 || tag[0] != '#')
            continue;
        event.instance = std::atoi(tag.c_str() + 1);
        std::string field;
        while (words >> field)
            event.fields.push_back(field);
        events.push_back(std::move(event));
    }
    return events;
}

std::vector<ProbeEvent> eventsOf(const std::vector<ProbeEvent>& events, int instance)
{
    std::vector<ProbeEvent> result;
    for (const ProbeEvent& e : events)
        if (e.instance == instance)
            result.push_back(e);
    return result;
}

double doubleFromBits(const std::string& hex)
{
    const unsigned long long bits = std::strtoull(hex.c_str(), nullptr, 16);
    double value;
    static_assert(sizeof value == sizeof bits, "64-bit double");
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::vector<ProbeBlock> blocksOf(const std::vector<ProbeEvent>& events, int instance)
{
    std::vector<ProbeBlock> blocks;
    for (const ProbeEvent& e : events) {
        if (e.instance != instance || e.name != "process" || e.fields.empty())
            continue;
        ProbeBlock block;
        block.frames = std::atoi(e.fields[0].c_str());
        if (e.fields.size() >= 6) {
            block.hasTime = true;
            block.samplePos = doubleFromBits(e.fields[1]);
            block.sampleRate = doubleFromBits(e.fields[2]);
            block.ppqPos = doubleFromBits(e.fields[3]);
            block.tempo = doubleFromBits(e.fields[4]);
            block.flags = std::atoi(e.fields[5].c_str());
            block.suspended = e.fields.size() > 6 && e.fields[6] == "suspended";
        }
        blocks.push_back(block);
    }
    return blocks;
}

Summary parseSummary(const std::string& out)
{
    Summary summary;
    std::istringstream lines(out);
    std::string line;
    const std::string stepsLabel = "  steps 1-16: ";
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Gain per step", 0) == 0) {
            summary.heading = line;
            continue;
        }
        if (line.rfind(stepsLabel, 0) == 0) {
            summary.pattern = line.substr(stepsLabel.size());
            continue;
        }
        // "  step    mean     min     max  |bar of ten|"
        std::istringstream fields(line);
        SummaryRow row;
        std::string bar;
        if (!(fields >> row.step >> row.mean >> row.min >> row.max))
            continue;
        std::getline(fields, bar);
        const std::size_t open = bar.find('|');
        if (open == std::string::npos || bar.size() != open + 12 || bar.back() != '|')
            continue;
        summary.rows.push_back(row);
    }
    return summary;
}

} // namespace quelt::test
