#include "effect/quelt_core.h"

#include <cstdio>
#include <cstring>

QueltCore::QueltCore() : programs(new QueltProgram[kNumPrograms])
{
    for (int i = 0; i < kNumPrograms; ++i)
        std::snprintf(programs[i].name, sizeof programs[i].name, "Program %02d", i + 1);
    applyProgram(0);
    engine.reset();
    engine.watchSteps(&stepsVersion);
    engine.setSampleRate(GateEngine::kDefaultRate);
}

void QueltCore::suspend()
{
    engine.reset();
    const uint32_t last = playheadReport.load(std::memory_order_relaxed);
    playheadReport.store(playhead::report(playhead::count(last) + 1, playhead::kNone), std::memory_order_relaxed);
}

void QueltCore::process(const Transport& transport, float** inputs, float** outputs, int32_t frames)
{
    const DenormalGuard noSubnormals(mxcsr);
    engine.process(transport, params, inputs, outputs, frames);
    // Once a block, outside the sample loop: one store the panel reads at its idle.
    const int step = transport.positionKnown && transport.playing ? playhead::stepAt(transport.position)
                                                                   : playhead::kNone;
    const uint32_t last = playheadReport.load(std::memory_order_relaxed);
    playheadReport.store(playhead::report(playhead::count(last) + 1, step), std::memory_order_relaxed);
}

void QueltCore::setParameter(int32_t index, float value)
{
    if (index < 0)
        return;
    const int32_t s = slot(index);
    programs[getProgram()].params[s].store(value);
    params[s].store(value);
    if (s < kNumSteps)
        stepsVersion.fetch_add(1, std::memory_order_release);
    if (listener)
        listener->parameterChanged(index, value);
}

float QueltCore::getParameter(int32_t index) const { return index < 0 ? 0.0f : params[slot(index)].load(); }

bool QueltCore::parameterName(int32_t index, char* text, size_t size)
{
    if (!text || size == 0 || static_cast<uint32_t>(index) > static_cast<uint32_t>(kModeParam))
        return false;
    if (index == kModeParam)
        std::snprintf(text, size, "Mode");
    else
        std::snprintf(text, size, "Gate %d", static_cast<int>(index) + 1);
    return true;
}

const char* QueltCore::displayOf(int32_t index, float value)
{
    if (index >= kModeParam)
        return value < 0.5f ? "HOLD" : "DECAY";
    if (index >= 0)
        return value < 0.5f ? "CLOSED" : "OPEN";
    return "";
}

bool QueltCore::setProgram(int32_t program)
{
    if (static_cast<uint32_t>(program) >= static_cast<uint32_t>(kNumPrograms))
        return false;
    current.store(program, std::memory_order_relaxed);
    applyProgram(program);
    return true;
}

void QueltCore::applyProgram(int32_t program)
{
    const QueltProgram& source = programs[program];
    for (int i = 0; i < kNumSteps; ++i)
        setParameter(i, source.params[i].load());
    setParameter(kModeParam, source.params[kModeParam].load());
}

const char* QueltCore::programName(int32_t program) const
{
    return static_cast<uint32_t>(program) < static_cast<uint32_t>(kNumPrograms) ? programs[program].name : nullptr;
}

void QueltCore::setProgramName(const char* name)
{
    if (!name)
        return;
    char* target = programs[getProgram()].name;
    std::strncpy(target, name, kProgramNameSize - 1);
    target[kProgramNameSize - 1] = '\0';
}

bool QueltCore::copyProgram(int32_t destination)
{
    const int32_t source = getProgram();
    if (destination < 0 || destination >= kNumPrograms || destination == source)
        return false;
    programs[destination] = programs[source];
    return true;
}

void QueltCore::controlChange(int controller, int value)
{
    if (controller >= kFirstStepController && controller <= kModeController)
        setParameter(controller - kFirstStepController, value >= 64 ? 1.0f : 0.0f);
}
