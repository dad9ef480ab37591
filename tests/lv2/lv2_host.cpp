#include "lv2/lv2_host.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>

#include <cstring>
#include <stdexcept>

#include "lv2/quelt_lv2_ports.h"

namespace lv2test {

UridMap::UridMap() : map_{this, callback} {}

LV2_URID UridMap::map(const char* uri)
{
    auto found = ids_.find(uri);
    if (found != ids_.end())
        return found->second;
    const auto id = static_cast<LV2_URID>(ids_.size() + 1);
    ids_.emplace(uri, id);
    return id;
}

LV2_URID UridMap::callback(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<UridMap*>(handle)->map(uri);
}

Bundle::Bundle() : world_(lilv_world_new())
{
    LilvNode* bundle = lilv_new_file_uri(world_, nullptr, QUELT_LV2_BUNDLE "/");
    lilv_world_load_bundle(world_, bundle);
    lilv_node_free(bundle);
    plugin_ = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), uri(quelt_lv2::kPluginUri));
    if (!plugin_)
        throw std::runtime_error("the bundle " QUELT_LV2_BUNDLE " has no urn:quelt:gate");
}

Bundle::~Bundle()
{
    for (LilvNode* node : nodes_)
        lilv_node_free(node);
    lilv_world_free(world_);
}

LilvNode* Bundle::uri(const char* text)
{
    nodes_.push_back(lilv_new_uri(world_, text));
    return nodes_.back();
}

Lv2Host::Lv2Host(Bundle& bundle, double rate, bool withMap)
    : // Mapped once, as hosts do, so that sending allocates nothing.
      time_{urids_.map(LV2_TIME__Position), urids_.map(LV2_TIME__frame),    urids_.map(LV2_TIME__speed),
            urids_.map(LV2_TIME__barBeat),  urids_.map(LV2_TIME__bar),      urids_.map(LV2_TIME__beat),
            urids_.map(LV2_TIME__beatUnit), urids_.map(LV2_TIME__beatsPerBar), urids_.map(LV2_TIME__beatsPerMinute)},
      controls_(quelt_lv2::kNumPorts, 0.0f), sequence_(8192)
{
    LV2_Feature map{LV2_URID__map, urids_.feature()};
    const LV2_Feature* features[] = {withMap ? &map : nullptr, nullptr};
    instance_ = lilv_plugin_instantiate(bundle.plugin(), rate, features);
    if (!instance_)
        return;
    // The host starts every control at its default.
    for (uint32_t port = quelt_lv2::kFirstGate; port <= quelt_lv2::kMode; ++port)
    {
        LilvNode* value = nullptr;
        lilv_port_get_range(bundle.plugin(), lilv_plugin_get_port_by_index(bundle.plugin(), port), &value, nullptr,
                            nullptr);
        controls_[port] = lilv_node_as_float(value);
        lilv_node_free(value);
        lilv_instance_connect_port(instance_, port, &controls_[port]);
    }
    lilv_instance_connect_port(instance_, quelt_lv2::kStep, &controls_[quelt_lv2::kStep]);
    lv2_atom_forge_init(&forge_, urids_.feature());
    beginSequence();
    activate();
}

Lv2Host::~Lv2Host()
{
    if (instance_)
    {
        deactivate();
        lilv_instance_free(instance_);
    }
}

void Lv2Host::activate() { lilv_instance_activate(instance_); }
void Lv2Host::deactivate() { lilv_instance_deactivate(instance_); }

void Lv2Host::beginSequence()
{
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<uint8_t*>(sequence_.data()), sequence_.size() * 8);
    lv2_atom_forge_sequence_head(&forge_, &sequenceFrame_, 0);
    sequenceSize_.reset();
}

void Lv2Host::send(int64_t frame, const Position& p)
{
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge_, frame);
    lv2_atom_forge_object(&forge_, &object, 0, time_.position);
    auto key = [this](LV2_URID urid) { lv2_atom_forge_key(&forge_, urid); };
    if (p.frame)
        key(time_.frame), lv2_atom_forge_long(&forge_, *p.frame);
    if (p.speed)
        key(time_.speed), lv2_atom_forge_float(&forge_, *p.speed);
    if (p.barBeat)
        key(time_.barBeat), lv2_atom_forge_float(&forge_, *p.barBeat);
    if (p.bar)
        key(time_.bar), lv2_atom_forge_long(&forge_, *p.bar);
    if (p.beat)
        key(time_.beat), lv2_atom_forge_double(&forge_, *p.beat);
    if (p.beatUnit)
        key(time_.beatUnit), lv2_atom_forge_int(&forge_, *p.beatUnit);
    if (p.beatsPerBar)
        key(time_.beatsPerBar), lv2_atom_forge_float(&forge_, *p.beatsPerBar);
    if (p.beatsPerMinute)
        key(time_.beatsPerMinute), lv2_atom_forge_float(&forge_, *p.beatsPerMinute);
    lv2_atom_forge_pop(&forge_, &object);
}

void Lv2Host::sendAtom(int64_t frame, uint32_t type, const std::vector<uint8_t>& body)
{
    lv2_atom_forge_frame_time(&forge_, frame);
    lv2_atom_forge_atom(&forge_, static_cast<uint32_t>(body.size()), type);
    lv2_atom_forge_write(&forge_, body.data(), static_cast<uint32_t>(body.size()));
    lv2_atom_forge_pad(&forge_, static_cast<uint32_t>(body.size()));
}

Lv2Host::Sequence Lv2Host::takeEvents()
{
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(sequence_.data());
    Sequence taken(sequence_.begin(), sequence_.begin() + (sizeof(LV2_Atom) + sequence->atom.size + 7) / 8);
    beginSequence();
    return taken;
}

void Lv2Host::run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
                  const Sequence* events)
{
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(events ? const_cast<uint64_t*>(events->data())
                                                                 : sequence_.data());
    if (sequenceSize_)
        sequence->atom.size = *sequenceSize_;
    lilv_instance_connect_port(instance_, quelt_lv2::kInLeft, const_cast<float*>(inL));
    lilv_instance_connect_port(instance_, quelt_lv2::kInRight, const_cast<float*>(inR));
    lilv_instance_connect_port(instance_, quelt_lv2::kOutLeft, outL);
    lilv_instance_connect_port(instance_, quelt_lv2::kOutRight, outR);
    lilv_instance_connect_port(instance_, quelt_lv2::kControl, sequence);
    lilv_instance_run(instance_, frames);
    if (!events)
        beginSequence();
}

} // namespace lv2test
