// Percentage display for long renders, redrawn in place on a terminal and
// silent otherwise so logs and pipes stay clean.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace quelt::render {

class ProgressMeter
{
public:
    ProgressMeter(std::ostream& out, bool enabled, std::string label);

    void update(std::int64_t done, std::int64_t total);
    // Ends the line, if anything was drawn.
    void finish();

    static bool stderrIsTerminal();

private:
    std::ostream& m_out;
    bool m_enabled;
    std::string m_label;
    int m_lastPercent = -1;
};

} // namespace quelt::render
