// Reading and writing sound files, behind one interface so the Linux build can
// use libsndfile while the Windows build carries its own WAV code.
#pragma once

#include "audio_data.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quelt::render {

// The most sample data either writer puts in a plain RIFF/WAVE file. Its
// sizes are 32-bit and count the header too, so some room is left for that;
// longer output is written as RF64, the 64-bit form of WAVE.
constexpr std::uint64_t kMaxRiffDataBytes = 0xFFFFFFFFull - 4096;

class AudioFileIO
{
public:
    virtual ~AudioFileIO() = default;

    // Any channel count; throws RenderError when the file cannot be read.
    virtual AudioData read(const std::string& path) const = 0;

    // Writes a 32-bit IEEE float WAV file (RF64 past kMaxRiffDataBytes);
    // throws RenderError on failure, naming the file `shownAs`.
    virtual void writeFloatWav(const std::string& path, const AudioData& audio, const std::string& shownAs) const = 0;
    void writeFloatWav(const std::string& path, const AudioData& audio) const { writeFloatWav(path, audio, path); }
};

// libsndfile where the build has it, the built-in WAV code otherwise.
std::unique_ptr<AudioFileIO> makeAudioFileIO();

} // namespace quelt::render
