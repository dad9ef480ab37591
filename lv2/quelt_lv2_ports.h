// The plug-in's ports, in the index order its Turtle declares.
#pragma once

#include <cstdint>

namespace quelt_lv2 {

constexpr const char* kPluginUri = "urn:quelt:gate";
constexpr const char* kUiUri = "urn:quelt:gate#ui";

enum Port : uint32_t
{
    kInLeft = 0,
    kInRight = 1,
    kOutLeft = 2,
    kOutRight = 3,
    kFirstGate = 4,  // gate_1 to gate_16, then the mode
    kMode = 20,
    kControl = 21,   // atom sequence: the host's time:Position
    kStep = 22,      // control output: the playing step, 1 to 16, or 0
    kNumPorts
};

// The control input that carries parameter `index` (0-15 steps, 16 the mode).
constexpr uint32_t parameterPort(int32_t index) { return kFirstGate + static_cast<uint32_t>(index); }

} // namespace quelt_lv2
