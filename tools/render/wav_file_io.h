// Self-contained RIFF/WAVE reader and writer: PCM 8/16/24/32-bit and IEEE
// float 32/64-bit in (plain or WAVE_FORMAT_EXTENSIBLE), float 32-bit out.
#pragma once

#include "audio_file_io.h"

#include <cstdint>
#include <vector>

namespace quelt::render {

class WavFileIO : public AudioFileIO
{
public:
    AudioData read(const std::string& path) const override;
    void writeFloatWav(const std::string& path, const AudioData& audio) const override;

    // The same codecs on memory, so malformed files can be tested byte by byte.
    // `name` is used in error messages only.
    static AudioData decode(const std::vector<std::uint8_t>& bytes, const std::string& name);
    static std::vector<std::uint8_t> encodeFloat(const AudioData& audio);
};

} // namespace quelt::render
