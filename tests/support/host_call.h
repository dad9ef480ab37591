// One call a plug-in made into its host callback, as the test hosts record it.
#pragma once

#include "host/vst_interface.h"

namespace quelt_test {

struct HostCall
{
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

}  // namespace quelt_test
