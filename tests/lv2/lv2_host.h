// A small LV2 host for the tests: loads the built bundle with lilv, maps URIs,
// instantiates the plug-in and runs it with time:Position objects at chosen
// frames, as Ardour and jalv send them.
#pragma once

#include <lilv/lilv.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#ifndef QUELT_LV2_BUNDLE
#error "QUELT_LV2_BUNDLE must name the built bundle"
#endif

namespace lv2test {

class UridMap
{
public:
    UridMap();
    LV2_URID map(const char* uri);
    LV2_URID_Map* feature() { return &map_; }

private:
    static LV2_URID callback(LV2_URID_Map_Handle handle, const char* uri);
    LV2_URID_Map map_;
    std::map<std::string, LV2_URID> ids_;
};

// The fields of one time:Position; those left empty are not sent.
struct Position
{
    std::optional<int64_t> bar;
    std::optional<float> barBeat;
    std::optional<double> beat;
    std::optional<int32_t> beatUnit;
    std::optional<float> beatsPerBar;
    std::optional<float> beatsPerMinute;
    std::optional<float> speed;
    std::optional<int64_t> frame;
};

// The world with the bundle loaded; one per test binary is enough.
class Bundle
{
public:
    Bundle();
    ~Bundle();
    LilvWorld* world() const { return world_; }
    const LilvPlugin* plugin() const { return plugin_; }
    LilvNode* uri(const char* text);  // owned by the bundle

private:
    LilvWorld* world_;
    const LilvPlugin* plugin_ = nullptr;
    std::vector<LilvNode*> nodes_;
};

class Lv2Host
{
public:
    explicit Lv2Host(Bundle& bundle, double rate = 44100.0, bool withMap = true);
    ~Lv2Host();
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    bool ok() const { return instance_ != nullptr; }
    UridMap& urids() { return urids_; }
    void activate();
    void deactivate();

    // A control input's value, as the host writes it before the next run; a
    // control output's as the last run left it.
    void setControl(uint32_t port, float value) { controls_[port] = value; }
    float control(uint32_t port) const { return controls_[port]; }

    // Events for the next run, in the order given.
    void send(int64_t frame, const Position& position);
    // Any atom, bytes as given (type, size and body), at a frame.
    void sendAtom(int64_t frame, uint32_t type, const std::vector<uint8_t>& body);
    // The sequence's own header: what the host declares it holds.
    void overrideSequenceSize(uint32_t size) { sequenceSize_ = size; }
    // The events sent since the last run, taken away to be run later, as often
    // as wanted, at no cost to the host.
    using Sequence = std::vector<uint64_t>;
    Sequence takeEvents();

    // One run over caller buffers (which may be the same for in-place
    // processing), with the events sent since the last run or those given.
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
             const Sequence* events = nullptr);

private:
    void beginSequence();

    UridMap urids_;
    struct
    {
        LV2_URID position, frame, speed, barBeat, bar, beat, beatUnit, beatsPerBar, beatsPerMinute;
    } time_;
    LilvInstance* instance_ = nullptr;
    std::vector<float> controls_;
    std::vector<uint64_t> sequence_;  // 8-byte aligned atom buffer
    LV2_Atom_Forge forge_;
    LV2_Atom_Forge_Frame sequenceFrame_;
    std::optional<uint32_t> sequenceSize_;
};

} // namespace lv2test
