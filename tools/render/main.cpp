// quelt-render: offline renderer that hosts the Quelt plug-in.
#include "progress_meter.h"
#include "render_app.h"

#include <iostream>

int main(int argc, char** argv)
{
    using namespace quelt::render;
    const std::vector<std::string> args(argv + 1, argv + argc);
    RenderApp app(std::cout, std::cerr, ProgressMeter::stderrIsTerminal());
    return app.run(args);
}
