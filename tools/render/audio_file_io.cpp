#include "audio_file_io.h"

#if QUELT_RENDER_HAVE_SNDFILE
#include "sndfile_io.h"
#else
#include "wav_file_io.h"
#endif

namespace quelt::render {

std::unique_ptr<AudioFileIO> makeAudioFileIO()
{
#if QUELT_RENDER_HAVE_SNDFILE
    return std::make_unique<SndfileIO>();
#else
    return std::make_unique<WavFileIO>();
#endif
}

} // namespace quelt::render
