#include "plugin_instance.h"

#include "render_error.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace quelt::render {

namespace {

// The callback only gets the record's address; this maps it back to its host.
std::mutex g_registryMutex;
std::vector<std::pair<const AEffect*, PluginInstance*>> g_registry;

// While the entry point runs the record does not exist yet, but the plug-in
// may already call back.
thread_local PluginInstance* t_constructing = nullptr;

void registerInstance(const AEffect* effect, PluginInstance* instance)
{
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_registry.emplace_back(effect, instance);
}

void unregisterInstance(const PluginInstance* instance)
{
    std::lock_guard<std::mutex> lock(g_registryMutex);
    g_registry.erase(std::remove_if(g_registry.begin(), g_registry.end(),
                                    [instance](const auto& entry) { return entry.second == instance; }),
                     g_registry.end());
}

std::string plural(int count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace

PluginInstance* PluginInstance::instanceFor(const AEffect* effect)
{
    if (effect) {
        std::lock_guard<std::mutex> lock(g_registryMutex);
        for (const auto& entry : g_registry)
            if (entry.first == effect)
                return entry.second;
    }
    return t_constructing;
}

VstIntPtr VSTCALLBACK PluginInstance::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32, VstIntPtr, void*,
                                                   float)
{
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterGetTime: {
        PluginInstance* instance = instanceFor(effect);
        return instance ? reinterpret_cast<VstIntPtr>(&instance->m_timeInfo) : 0;
    }
    case audioMasterWantMidi:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        return 1;
    case audioMasterAutomate:
    case audioMasterIdle:
    default:
        return 0;
    }
}

PluginInstance::PluginInstance(const PluginModule& module)
{
    t_constructing = this;
    AEffect* effect = module.entry()(&PluginInstance::hostCallback);
    t_constructing = nullptr;
    m_effect = effect;
    validate(module.path());
    registerInstance(m_effect, this);
}

void PluginInstance::validate(const std::string& path)
{
    const std::string who = "plug-in '" + path + "'";
    if (!m_effect)
        throw RenderError(who + " returned no effect from its entry point");
    if (m_effect->magic != kEffectMagic) {
        m_effect = nullptr;  // not a record we can talk to, not even to close it
        throw RenderError(who + " returned a record without the VST magic number");
    }
    if (!m_effect->dispatcher) {
        m_effect = nullptr;
        throw RenderError(who + " returned a record without a dispatcher");
    }

    std::string problem;
    if (!(m_effect->flags & effFlagsCanReplacing) || !m_effect->processReplacing)
        problem = who + " does not support processReplacing";
    else if (m_effect->numInputs < 1 || m_effect->numOutputs < 2 || m_effect->numInputs > kMaxChannels ||
             m_effect->numOutputs > kMaxChannels)
        problem = who + " has " + plural(m_effect->numInputs, "input") + " and " +
                  plural(m_effect->numOutputs, "output") + "; quelt-render needs 1 or more inputs and 2 or more outputs";
    else if (!m_effect->setParameter || !m_effect->getParameter)
        problem = who + " has no parameter entry points";
    if (!problem.empty()) {
        // The record is valid, so the plug-in gets to free it.
        m_effect->dispatcher(m_effect, effClose, 0, 0, nullptr, 0.0f);
        m_effect = nullptr;
        throw RenderError(problem);
    }
    m_inputs = m_effect->numInputs;
    m_outputs = m_effect->numOutputs;
    m_parameters = m_effect->numParams;
    m_programs = m_effect->numPrograms;
}

PluginInstance::~PluginInstance()
{
    close();
}

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return m_effect->dispatcher(m_effect, opcode, index, value, ptr, opt);
}

void PluginInstance::open(double sampleRate, int blockSize)
{
    dispatch(effOpen);
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
    dispatch(effSetBlockSize, 0, blockSize);
}

void PluginInstance::apply(const PluginSettings& settings)
{
    if (settings.program) {
        if (*settings.program >= m_programs)
            throw RenderError("--program " + std::to_string(*settings.program) + ": the plug-in has " +
                              plural(m_programs, "program"));
        dispatch(effSetProgram, 0, *settings.program);
    }
    if (settings.pattern) {
        if (m_parameters < kStepCount)
            throw RenderError("--pattern: the plug-in has " + plural(m_parameters, "parameter") +
                              ", the 16 steps need 16");
        for (int step = 0; step < kStepCount; ++step)
            m_effect->setParameter(m_effect, step, (*settings.pattern)[static_cast<std::size_t>(step)] ? 1.0f : 0.0f);
    }
    if (settings.mode) {
        if (m_parameters <= kModeParameter)
            throw RenderError("--mode: the plug-in has " + plural(m_parameters, "parameter") +
                              ", the mode is parameter 17");
        m_effect->setParameter(m_effect, kModeParameter, *settings.mode == GateMode::Decay ? 1.0f : 0.0f);
    }
}

void PluginInstance::resume(const VstTimeInfo& timeInfo)
{
    m_timeInfo = timeInfo;
    dispatch(effMainsChanged, 0, 1);
    m_running = true;
}

void PluginInstance::process(float** inputs, float** outputs, int frames, const VstTimeInfo& timeInfo)
{
    m_timeInfo = timeInfo;
    m_effect->processReplacing(m_effect, inputs, outputs, frames);
}

void PluginInstance::suspend()
{
    if (m_running) {
        m_running = false;
        dispatch(effMainsChanged, 0, 0);
    }
}

float PluginInstance::parameter(int index) const
{
    return m_effect->getParameter(m_effect, index);
}

void PluginInstance::close()
{
    if (!m_effect)
        return;
    suspend();
    AEffect* effect = m_effect;
    m_effect = nullptr;
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    unregisterInstance(this);
}

} // namespace quelt::render
