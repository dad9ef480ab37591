#include "render_app.h"

#include "audio_file_io.h"
#include "block_runner.h"
#include "demo_signal.h"
#include "gain_summary.h"
#include "output_file.h"
#include "plugin_instance.h"
#include "plugin_module.h"
#include "progress_meter.h"
#include "render_error.h"
#include "transport.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#ifndef QUELT_RENDER_VERSION
#define QUELT_RENDER_VERSION "unknown"
#endif

namespace quelt::render {

namespace {

constexpr const char* kProgramName = "quelt-render";

std::string describeChannels(int count)
{
    return count == 1 ? "mono" : count == 2 ? "stereo" : std::to_string(count) + " channels";
}

} // namespace

RenderApp::RenderApp(std::ostream& out, std::ostream& err, bool showProgress)
    : m_out(out), m_err(err), m_showProgress(showProgress)
{
}

int RenderApp::run(const std::vector<std::string>& args)
{
    try {
        const RenderOptions options = parseRenderOptions(args);
        if (options.showHelp) {
            m_out << helpText();
            return kExitOk;
        }
        if (options.showVersion) {
            m_out << kProgramName << ' ' << QUELT_RENDER_VERSION << '\n';
            return kExitOk;
        }
        render(options);
        return kExitOk;
    } catch (const UsageError& e) {
        m_err << kProgramName << ": " << e.what() << std::endl;
        return kExitUsageError;
    } catch (const RenderError& e) {
        m_err << kProgramName << ": " << e.what() << std::endl;
        return kExitRuntimeError;
    } catch (const std::bad_alloc&) {
        m_err << kProgramName << ": out of memory" << std::endl;
        return kExitRuntimeError;
    }
}

AudioData RenderApp::toStereo(AudioData audio, const std::string& name)
{
    if (audio.channelCount() == 1)
        audio.channels.push_back(audio.channels.front());
    else if (audio.channelCount() != 2)
        throw RenderError("'" + name + "' has " + describeChannels(audio.channelCount()) +
                          "; quelt-render takes mono or stereo files");
    return audio;
}

AudioData RenderApp::loadSource(const RenderOptions& options)
{
    if (options.inputPath.empty()) {
        m_sourceDescription = "the demo signal";
        DemoSettings demo;
        demo.sampleRate = options.demoSampleRate();
        demo.seconds = options.demoSeconds();
        demo.tempo = options.tempo;
        demo.startQuarters = options.startQuarters;
        return DemoSignal::generate(demo);
    }

    AudioData audio = makeAudioFileIO()->read(options.inputPath);
    // The file's own rate is what its samples mean; nothing gets resampled.
    if (options.sampleRate && *options.sampleRate != audio.sampleRate)
        throw UsageError("--rate " + std::to_string(*options.sampleRate) + " conflicts with the " +
                         std::to_string(audio.sampleRate) + " Hz of '" + options.inputPath +
                         "'; --rate only sets the demo's rate");
    if (audio.frames() == 0)
        throw RenderError("'" + options.inputPath + "' contains no audio");
    if (audio.sampleRate < OptionLimits::kMinSampleRate || audio.sampleRate > OptionLimits::kMaxSampleRate)
        throw RenderError("'" + options.inputPath + "' has a sample rate of " + std::to_string(audio.sampleRate) +
                          " Hz; quelt-render handles 8000 to 384000 Hz");
    m_sourceDescription = "'" + options.inputPath + "' (" + describeChannels(audio.channelCount()) + ")";
    return toStereo(std::move(audio), options.inputPath);
}

void RenderApp::render(const RenderOptions& options)
{
    // The output is settled before anything is read: the input itself is
    // refused under any name, and so is anything but a file in a writable place.
    if (!options.inputPath.empty() && sameFile(options.inputPath, options.outputPath))
        throw UsageError("output '" + options.outputPath + "' would overwrite the input '" + options.inputPath +
                         "' (the same file)");
    OutputFile outputFile(options.outputPath);
    const AudioData input = loadSource(options);
    const std::string pluginPath = options.pluginPath.empty() ? PluginModule::defaultPluginPath() : options.pluginPath;
    const std::unique_ptr<PluginModule> module = PluginModule::load(pluginPath);

    PluginSettings settings;
    settings.program = options.program;
    settings.pattern = options.pattern;
    settings.mode = options.mode;
    const Transport transport(options.tempo, input.sampleRate, options.startQuarters);
    const auto totalFrames = static_cast<std::int64_t>(input.frames());

    AudioData output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<float>(input.frames()));
    {
        PluginInstance instance(*module);
        instance.open(input.sampleRate, options.blockSize);
        instance.apply(settings);
        ProgressMeter progress(m_err, m_showProgress, std::string(kProgramName) + ": rendering");
        BlockRunner runner(instance, transport, options.blockSize);
        runner.run(
            totalFrames,
            [&input](std::int64_t frame, int frames, float* left, float* right) {
                std::copy_n(input.channels[0].begin() + frame, frames, left);
                std::copy_n(input.channels[1].begin() + frame, frames, right);
            },
            [&output](std::int64_t frame, int frames, const float* left, const float* right) {
                std::copy_n(left, frames, output.channels[0].begin() + frame);
                std::copy_n(right, frames, output.channels[1].begin() + frame);
            },
            [&progress, totalFrames](std::int64_t done) { progress.update(done, totalFrames); });
        progress.finish();
        instance.close();
    }

    makeAudioFileIO()->writeFloatWav(outputFile.temporaryPath(), output, options.outputPath);
    outputFile.commit();
    const bool rf64 = 4ull * 2 * output.frames() > kMaxRiffDataBytes;

    char line[64];
    std::snprintf(line, sizeof line, "%.3f s at %d Hz", static_cast<double>(totalFrames) / input.sampleRate,
                  input.sampleRate);
    m_out << "Rendered " << m_sourceDescription << ", " << line << "\n  through " << module->path() << "\n  into "
          << options.outputPath << " (stereo, 32-bit float " << (rf64 ? "RF64 " : "") << "WAV)\n\n";

    GainSummary::measure(*module, settings, transport, options.blockSize).print(m_out);
}

} // namespace quelt::render
