// Self-contained RIFF/WAVE reader and writer: PCM 8/16/24/32-bit and IEEE
// float 32/64-bit in (plain or WAVE_FORMAT_EXTENSIBLE, RIFF or RF64), float
// 32-bit out (RIFF, or RF64 when the data does not fit).
#pragma once

#include "audio_file_io.h"

#include <cstdint>
#include <vector>

namespace quelt::render {

class WavFileIO : public AudioFileIO
{
public:
    // Data past `maxRiffDataBytes` is written as RF64; tests lower it to make
    // small RF64 files.
    explicit WavFileIO(std::uint64_t maxRiffDataBytes = kMaxRiffDataBytes) : m_maxRiffDataBytes(maxRiffDataBytes) {}

    using AudioFileIO::writeFloatWav;
    AudioData read(const std::string& path) const override;
    void writeFloatWav(const std::string& path, const AudioData& audio, const std::string& shownAs) const override;

    // The same codecs on memory, so malformed files can be tested byte by byte.
    // `name` is used in error messages only.
    static AudioData decode(const std::vector<std::uint8_t>& bytes, const std::string& name);
    static std::vector<std::uint8_t> encodeFloat(const AudioData& audio,
                                                 std::uint64_t maxRiffDataBytes = kMaxRiffDataBytes);

    // Everything of a float file of `frames` frames up to its first sample.
    static std::vector<std::uint8_t> floatHeader(int sampleRate, int channelCount, std::uint64_t frames,
                                                 std::uint64_t maxRiffDataBytes = kMaxRiffDataBytes);

    // Throws RenderError naming what is wrong with the header of a RIFF/RF64
    // WAVE file, given its first bytes; `complete` says they are the whole file,
    // so a chunk not found is missing rather than further on.
    static void checkHeader(const std::vector<std::uint8_t>& start, bool complete, const std::string& name);

    // The file starts like a RIFF or RF64 WAVE file.
    static bool looksLikeWave(const std::vector<std::uint8_t>& start);

private:
    std::uint64_t m_maxRiffDataBytes;
};

} // namespace quelt::render
