// quelt-render's job from command line to written file and printed summary.
#pragma once

#include "audio_data.h"
#include "render_options.h"

#include <ostream>
#include <string>
#include <vector>

namespace quelt::render {

class RenderApp
{
public:
    RenderApp(std::ostream& out, std::ostream& err, bool showProgress);

    // Returns the exit code; every failure is reported on `err` as one line.
    int run(const std::vector<std::string>& args);

    // Mono becomes two equal channels; more than two channels is refused.
    static AudioData toStereo(AudioData audio, const std::string& name);

private:
    void render(const RenderOptions& options);
    AudioData loadSource(const RenderOptions& options);

    std::ostream& m_out;
    std::ostream& m_err;
    bool m_showProgress;
    std::string m_sourceDescription;
};

} // namespace quelt::render
