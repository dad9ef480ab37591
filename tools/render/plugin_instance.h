// One running instance of a plug-in, driven the way a host drives it: the
// host callback, the opening sequence, per-block processing with time
// information, and the closing sequence.
#pragma once

#include "plugin_module.h"
#include "render_options.h"

#include <optional>

namespace quelt::render {

// What the host sets up before processing starts.
struct PluginSettings
{
    std::optional<int> program;
    std::optional<StepPattern> pattern;
    std::optional<GateMode> mode;
};

// Parameter layout of the gate: 0..15 the steps (0 closed, 1 open), 16 the mode.
constexpr int kModeParameter = 16;
constexpr VstInt32 kHostVersion = 2400;

class PluginInstance
{
public:
    // Calls the entry point and checks the record it returns; throws
    // RenderError when the plug-in cannot be hosted here.
    explicit PluginInstance(const PluginModule& module);
    ~PluginInstance();

    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // effOpen, effSetSampleRate, effSetBlockSize.
    void open(double sampleRate, int blockSize);
    // effSetProgram, then the step and mode parameters.
    void apply(const PluginSettings& settings);
    // effMainsChanged 1; `timeInfo` answers audioMasterGetTime until the first block.
    void resume(const VstTimeInfo& timeInfo);
    // processReplacing with one pointer per plug-in input and output.
    void process(float** inputs, float** outputs, int frames, const VstTimeInfo& timeInfo);
    // effMainsChanged 0.
    void suspend();
    // effClose; the plug-in frees its record, so nothing may touch it afterwards.
    void close();

    int inputCount() const { return m_inputs; }
    int outputCount() const { return m_outputs; }
    float parameter(int index) const;
    int parameterCount() const { return m_parameters; }

    // Channel limits this host accepts.
    static constexpr int kMaxChannels = 64;

private:
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                              void* ptr, float opt);
    static PluginInstance* instanceFor(const AEffect* effect);

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    void validate(const std::string& path);

    AEffect* m_effect = nullptr;
    VstTimeInfo m_timeInfo{};
    bool m_running = false;
    int m_inputs = 0;
    int m_outputs = 0;
    int m_parameters = 0;
    int m_programs = 0;
};

} // namespace quelt::render
