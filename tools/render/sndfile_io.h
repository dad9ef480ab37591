// libsndfile-backed sound file I/O for the Linux build: reads whatever
// libsndfile reads (WAV, AIFF, FLAC, ...), writes 32-bit float WAV.
#pragma once

#include "audio_file_io.h"

namespace quelt::render {

class SndfileIO : public AudioFileIO
{
public:
    AudioData read(const std::string& path) const override;
    void writeFloatWav(const std::string& path, const AudioData& audio) const override;
};

} // namespace quelt::render
