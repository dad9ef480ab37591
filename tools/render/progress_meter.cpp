#include "progress_meter.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace quelt::render {

ProgressMeter::ProgressMeter(std::ostream& out, bool enabled, std::string label)
    : m_out(out), m_enabled(enabled), m_label(std::move(label))
{
}

void ProgressMeter::update(std::int64_t done, std::int64_t total)
{
    if (!m_enabled || total <= 0)
        return;
    const int percent = static_cast<int>(done * 100 / total);
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    m_out << '\r' << m_label << ' ' << (percent < 10 ? "  " : percent < 100 ? " " : "") << percent << '%'
          << std::flush;
}

void ProgressMeter::finish()
{
    if (m_enabled && m_lastPercent >= 0)
        m_out << '\n' << std::flush;
    m_lastPercent = -1;
}

bool ProgressMeter::stderrIsTerminal()
{
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

} // namespace quelt::render
