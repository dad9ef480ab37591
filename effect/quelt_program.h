// One program of the bank: all 17 parameter values and a name.
#pragma once

#include "effect/shared_float.h"

constexpr int kNumSteps = 16;
constexpr int kModeParam = 16;
constexpr int kNumParams = 17;
constexpr int kNumPrograms = 16;
constexpr int kProgramNameSize = 24;  // 23 characters and the terminator

struct QueltProgram
{
    QueltProgram();  // the factory pattern, mode HOLD, named "Program"

    SharedFloat params[kNumParams];
    char name[kProgramNameSize];
};
