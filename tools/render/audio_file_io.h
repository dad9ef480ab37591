// Reading and writing sound files, behind one interface so the Linux build can
// use libsndfile while the Windows build carries its own WAV code.
#pragma once

#include "audio_data.h"

#include <memory>
#include <string>

namespace quelt::render {

class AudioFileIO
{
public:
    virtual ~AudioFileIO() = default;

    // Any channel count; throws RenderError when the file cannot be read.
    virtual AudioData read(const std::string& path) const = 0;

    // Writes a 32-bit IEEE float WAV file; throws RenderError on failure.
    virtual void writeFloatWav(const std::string& path, const AudioData& audio) const = 0;
};

// libsndfile where the build has it, the built-in WAV code otherwise.
std::unique_ptr<AudioFileIO> makeAudioFileIO();

} // namespace quelt::render
