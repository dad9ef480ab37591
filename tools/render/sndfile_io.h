// libsndfile-backed sound file I/O for the Linux build: reads whatever
// libsndfile reads (WAV, RF64, AIFF, FLAC, ...), writes 32-bit float WAV, or
// RF64 when the data does not fit a WAV file.
#pragma once

#include "audio_file_io.h"

namespace quelt::render {

class SndfileIO : public AudioFileIO
{
public:
    // Data past `maxRiffDataBytes` is written as RF64; tests lower it to make
    // small RF64 files.
    explicit SndfileIO(std::uint64_t maxRiffDataBytes = kMaxRiffDataBytes) : m_maxRiffDataBytes(maxRiffDataBytes) {}

    using AudioFileIO::writeFloatWav;
    AudioData read(const std::string& path) const override;
    void writeFloatWav(const std::string& path, const AudioData& audio, const std::string& shownAs) const override;

private:
    std::uint64_t m_maxRiffDataBytes;
};

} // namespace quelt::render
