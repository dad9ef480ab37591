#include "sndfile_io.h"

#include "render_error.h"
#include "wav_file_io.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace quelt::render {

namespace {

struct SndfileCloser
{
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

constexpr sf_count_t kChunkFrames = 8192;

// libsndfile's reason for a file it cannot open is sometimes about its own
// internals ("SF_INFO struct incomplete" for a sample rate of 0). A WAVE file
// is checked by the built-in parser, which names the field that is wrong.
[[noreturn]] void explainOpenFailure(const std::string& path)
{
    const int error = sf_error(nullptr);
    const std::string reason = sf_strerror(nullptr);
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::vector<std::uint8_t> start(1 << 20);
        start.resize(std::fread(start.data(), 1, start.size(), file));
        const bool complete = std::feof(file) != 0;
        std::fclose(file);
        if (WavFileIO::looksLikeWave(start))
            WavFileIO::checkHeader(start, complete, path);
    }
    // Codes past the documented ones are libsndfile's findings about a header.
    if (error > SF_ERR_UNSUPPORTED_ENCODING)
        throw RenderError("cannot read '" + path + "': invalid or unsupported file header (" + reason + ")");
    throw RenderError("cannot read '" + path + "': " + reason);
}

} // namespace

AudioData SndfileIO::read(const std::string& path) const
{
    SF_INFO info{};
    SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file)
        explainOpenFailure(path);
    if (info.channels < 1)
        throw RenderError("'" + path + "' has no channels");
    if (info.frames < 0 || static_cast<unsigned long long>(info.frames) >
                               std::numeric_limits<std::size_t>::max() / static_cast<unsigned>(info.channels))
        throw RenderError("'" + path + "' is too long");

    AudioData audio;
    audio.sampleRate = info.samplerate;
    const auto channelCount = static_cast<std::size_t>(info.channels);
    audio.channels.assign(channelCount, {});
    for (auto& channel : audio.channels)
        channel.reserve(static_cast<std::size_t>(info.frames));

    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channelCount);
    for (;;) {
        const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), kChunkFrames);
        if (got <= 0)
            break;
        for (sf_count_t frame = 0; frame < got; ++frame)
            for (std::size_t c = 0; c < channelCount; ++c)
                audio.channels[c].push_back(interleaved[static_cast<std::size_t>(frame) * channelCount + c]);
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
        throw RenderError("cannot read '" + path + "': " + sf_strerror(file.get()));
    return audio;
}

void SndfileIO::writeFloatWav(const std::string& path, const AudioData& audio, const std::string& shownAs) const
{
    if (audio.channelCount() < 1)
        throw RenderError("cannot write a file without channels");
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channelCount();
    // The size is known before the first sample, so the container is chosen
    // up front: a file that fits stays the plain WAV it always was.
    const std::uint64_t dataBytes = 4ull * static_cast<std::uint64_t>(info.channels) * audio.frames();
    info.format = (dataBytes > m_maxRiffDataBytes ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SF_FORMAT_FLOAT;
    SndfilePtr file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file)
        throw RenderError("cannot create '" + shownAs + "': " + sf_strerror(nullptr));

    const auto channelCount = static_cast<std::size_t>(info.channels);
    const std::size_t frames = audio.frames();
    std::vector<float> interleaved(static_cast<std::size_t>(kChunkFrames) * channelCount);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min(frames - done, static_cast<std::size_t>(kChunkFrames));
        for (std::size_t frame = 0; frame < count; ++frame)
            for (std::size_t c = 0; c < channelCount; ++c)
                interleaved[frame * channelCount + c] = audio.channels[c][done + frame];
        if (sf_writef_float(file.get(), interleaved.data(), static_cast<sf_count_t>(count)) !=
            static_cast<sf_count_t>(count)) {
            const std::string reason = sf_strerror(file.get());
            file.reset();
            std::remove(path.c_str());
            throw RenderError("cannot write '" + shownAs + "': " + reason);
        }
        done += count;
    }
    // sf_close finishes the header; a failure there leaves a broken file.
    if (sf_close(file.release()) != 0) {
        std::remove(path.c_str());
        throw RenderError("cannot finish '" + shownAs + "'");
    }
}

} // namespace quelt::render
