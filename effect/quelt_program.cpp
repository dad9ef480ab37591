#include "effect/quelt_program.h"

#include <cstring>

namespace
{
// Steps 1, 2, 4, 6, ... 16 open; the odd steps from 3 on closed.
constexpr float kFactoryPattern[kNumSteps] = {1, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
}

QueltProgram::QueltProgram()
{
    for (int i = 0; i < kNumSteps; ++i)
        params[i].store(kFactoryPattern[i]);
    params[kModeParam].store(0.0f);
    std::strcpy(name, "Program");
}
