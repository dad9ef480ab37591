// Quelt as an LV2 plug-in: the effect core behind LV2's ports. The 17 control
// inputs are the parameters; the host's transport comes as time:Position
// objects on the control port, each taking effect from its own frame on.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "effect/quelt_core.h"
#include "lv2/quelt_lv2_ports.h"

namespace {

using namespace quelt_lv2;

struct Urids
{
    explicit Urids(LV2_URID_Map* map)
        : atomBlank(map->map(map->handle, LV2_ATOM__Blank)), atomObject(map->map(map->handle, LV2_ATOM__Object)),
          atomInt(map->map(map->handle, LV2_ATOM__Int)), atomLong(map->map(map->handle, LV2_ATOM__Long)),
          atomFloat(map->map(map->handle, LV2_ATOM__Float)), atomDouble(map->map(map->handle, LV2_ATOM__Double)),
          atomBeatTime(map->map(map->handle, LV2_ATOM__beatTime)),
          position(map->map(map->handle, LV2_TIME__Position)), bar(map->map(map->handle, LV2_TIME__bar)),
          barBeat(map->map(map->handle, LV2_TIME__barBeat)), beat(map->map(map->handle, LV2_TIME__beat)),
          beatUnit(map->map(map->handle, LV2_TIME__beatUnit)),
          beatsPerBar(map->map(map->handle, LV2_TIME__beatsPerBar)),
          beatsPerMinute(map->map(map->handle, LV2_TIME__beatsPerMinute)),
          speed(map->map(map->handle, LV2_TIME__speed))
    {
    }
    LV2_URID atomBlank, atomObject, atomInt, atomLong, atomFloat, atomDouble, atomBeatTime;
    LV2_URID position, bar, barBeat, beat, beatUnit, beatsPerBar, beatsPerMinute, speed;
};

// The song as the host last told it: each field keeps its last value until an
// object brings a new one. Between objects the song runs on at the last tempo
// and speed, the position of a frame worked out from the last one the host
// gave, never summed block by block.
class SongPosition
{
public:
    struct Update
    {
        double bar = NAN, barBeat = NAN, beat = NAN, beatUnit = NAN, beatsPerBar = NAN, beatsPerMinute = NAN,
               speed = NAN;
    };

    // Where the next frame is, for a block that starts there.
    Transport now() const
    {
        if (!positionKnown)
            return Transport{};
        Transport t;
        t.positionKnown = true;
        t.position = positionAt(speed, tempo());
        t.tempoKnown = bpm == bpm;  // known once the host gave a finite one
        t.tempo = tempo();
        t.playing = speed != 0.0;
        return t;
    }

    void advance(uint32_t frames) { elapsed += frames; }

    // Fields that are missing or not finite leave the last value as it was.
    void apply(const Update& u)
    {
        const double lastSpeed = speed, lastTempo = tempo();
        keep(bar, u.bar);
        keep(barBeat, u.barBeat);
        keep(beat, u.beat);
        if (u.beatUnit > 0.0)
            keep(beatUnit, u.beatUnit);
        if (u.beatsPerBar > 0.0)
            keep(beatsPerBar, u.beatsPerBar);
        keep(bpm, u.beatsPerMinute);
        keep(speed, u.speed);
        // The object's own bar and beat in the bar where it brings them, else its beat.
        double quarters = NAN;
        if ((std::isfinite(u.bar) || std::isfinite(u.barBeat)) && bar == bar && barBeat == barBeat)
            quarters = (bar * beatsPerBar + barBeat) * 4.0 / beatUnit;
        else if (std::isfinite(u.beat))
            quarters = beat * 4.0 / beatUnit;
        if (std::isfinite(quarters))
        {
            anchor = quarters;
            positionKnown = true;
        }
        else if (positionKnown)
        {
            // A new tempo or speed runs from where the song is now.
            anchor = positionAt(lastSpeed, lastTempo);
        }
        elapsed = 0;
    }

    void setRate(double sampleRate) { rate = sampleRate; }

private:
    static void keep(double& field, double value)
    {
        if (std::isfinite(value))
            field = value;
    }
    // Quarters per minute; beatsPerMinute counts beats of beatUnit.
    double tempo() const { return bpm * 4.0 / beatUnit; }
    // The anchor's position and the frames since, at a speed and tempo; a
    // stopped song holds its position.
    double positionAt(double atSpeed, double atTempo) const
    {
        return anchor + (atSpeed == 0.0 ? 0.0 : static_cast<double>(elapsed) * atSpeed * atTempo / (60.0 * rate));
    }

    double bar = NAN, barBeat = NAN, beat = NAN, beatUnit = 4.0, beatsPerBar = 4.0, bpm = NAN, speed = 1.0;
    double rate = 44100.0;
    bool positionKnown = false;
    double anchor = 0.0;   // song position in quarters at the anchor
    uint64_t elapsed = 0;  // frames since the anchor
};

// Reads atoms only within the bytes the host declared.
class AtomReader
{
public:
    explicit AtomReader(const Urids& urids) : uris(urids) {}

    // The number a numeric atom holds, NaN for anything else.
    double number(const LV2_Atom* atom, uint32_t available) const
    {
        if (available < sizeof(LV2_Atom) || atom->size > available - sizeof(LV2_Atom))
            return NAN;
        const void* body = atom + 1;
        if (atom->type == uris.atomInt && atom->size >= sizeof(int32_t))
            return read<int32_t>(body);
        if (atom->type == uris.atomLong && atom->size >= sizeof(int64_t))
            return static_cast<double>(read<int64_t>(body));
        if (atom->type == uris.atomFloat && atom->size >= sizeof(float))
            return read<float>(body);
        if (atom->type == uris.atomDouble && atom->size >= sizeof(double))
            return read<double>(body);
        return NAN;
    }

    // True for a time:Position object; its known fields go into u.
    bool position(const LV2_Atom* atom, uint32_t available, SongPosition::Update& u) const
    {
        if (available < sizeof(LV2_Atom_Object) || atom->size > available - sizeof(LV2_Atom) ||
            atom->size < sizeof(LV2_Atom_Object_Body) || (atom->type != uris.atomObject && atom->type != uris.atomBlank))
            return false;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
        if (object->body.otype != uris.position)
            return false;
        const auto* bytes = reinterpret_cast<const uint8_t*>(&object->body);
        uint32_t offset = sizeof(LV2_Atom_Object_Body);
        while (atom->size - offset >= sizeof(LV2_Atom_Property_Body))
        {
            const auto* property = reinterpret_cast<const LV2_Atom_Property_Body*>(bytes + offset);
            const uint32_t room = atom->size - offset - offsetof(LV2_Atom_Property_Body, value);
            const double value = number(&property->value, room);
            set(u, property->key, value);
            if (property->value.size > room - sizeof(LV2_Atom))
                break;
            offset += padded(offsetof(LV2_Atom_Property_Body, value) + sizeof(LV2_Atom) + property->value.size);
            if (offset > atom->size)
                break;
        }
        return true;
    }

    static uint32_t padded(uint64_t size) { return static_cast<uint32_t>(std::min<uint64_t>((size + 7) & ~7ull, UINT32_MAX)); }

private:
    template <typename T>
    static T read(const void* from)
    {
        T value;
        std::memcpy(&value, from, sizeof value);
        return value;
    }

    void set(SongPosition::Update& u, LV2_URID key, double value) const
    {
        if (key == uris.bar)
            u.bar = value;
        else if (key == uris.barBeat)
            u.barBeat = value;
        else if (key == uris.beat)
            u.beat = value;
        else if (key == uris.beatUnit)
            u.beatUnit = value;
        else if (key == uris.beatsPerBar)
            u.beatsPerBar = value;
        else if (key == uris.beatsPerMinute)
            u.beatsPerMinute = value;
        else if (key == uris.speed)
            u.speed = value;
    }

    const Urids& uris;
};

class QueltLv2
{
public:
    QueltLv2(double rate, LV2_URID_Map* map) : uris(map), reader(uris)
    {
        core.setSampleRate(static_cast<float>(rate));
        song.setRate(rate);
        for (int i = 0; i < kNumParams; ++i)
        {
            applied[i] = core.getParameter(i);
            controls[i] = &applied[i];
        }
    }

    void connect(uint32_t port, void* data)
    {
        if (port >= kFirstGate && port <= kMode)
        {
            // A control input the host has not connected reads as unchanged.
            const uint32_t i = port - kFirstGate;
            controls[i] = data ? static_cast<const float*>(data) : &applied[i];
        }
        else if (port < kNumPorts)
            ports[port] = data;
    }

    void activate() { core.suspend(); }
    void deactivate()
    {
        core.suspend();
        if (auto* step = static_cast<float*>(ports[kStep]))
            *step = 0.0f;
    }

    void run(uint32_t frames)
    {
        applyControls();
        uint32_t done = 0;
        if (const auto* sequence = static_cast<const LV2_Atom_Sequence*>(ports[kControl]))
        {
            const bool beatStamped = sequence->body.unit == uris.atomBeatTime;
            const auto* bytes = reinterpret_cast<const uint8_t*>(&sequence->body);
            const uint32_t size = sequence->atom.size;
            uint32_t offset = sizeof(LV2_Atom_Sequence_Body);
            while (size >= offset && size - offset >= sizeof(LV2_Atom_Event))
            {
                const auto* event = reinterpret_cast<const LV2_Atom_Event*>(bytes + offset);
                const uint32_t room = size - offset - offsetof(LV2_Atom_Event, body);
                SongPosition::Update update;
                if (reader.position(&event->body, room, update))
                {
                    // Events out of order or beyond the block take effect where the block has got to.
                    const int64_t at = beatStamped ? 0 : event->time.frames;
                    const uint32_t frame = static_cast<uint32_t>(std::min<int64_t>(std::max<int64_t>(at, done), frames));
                    render(done, frame);
                    done = frame;
                    song.apply(update);
                }
                if (event->body.size > room - sizeof(LV2_Atom))
                    break;
                offset += AtomReader::padded(sizeof(LV2_Atom_Event) + uint64_t{event->body.size});
            }
        }
        render(done, frames);
        if (auto* step = static_cast<float*>(ports[kStep]))
            *step = static_cast<float>(playhead::step(core.playhead()));
    }

private:
    static constexpr int kNumParams = 17;

    // A control value that changed reaches the core as a VST host's set would, unclamped.
    void applyControls()
    {
        for (int i = 0; i < kNumParams; ++i)
            if (std::memcmp(controls[i], &applied[i], sizeof(float)) != 0)
            {
                applied[i] = *controls[i];
                core.setParameter(i, applied[i]);
            }
    }

    void render(uint32_t from, uint32_t to)
    {
        if (to <= from)
            return;
        auto channel = [this, from](uint32_t port) { return static_cast<float*>(ports[port]) + from; };
        if (ports[kInLeft] && ports[kInRight] && ports[kOutLeft] && ports[kOutRight])
        {
            float* inputs[2] = {channel(kInLeft), channel(kInRight)};
            float* outputs[2] = {channel(kOutLeft), channel(kOutRight)};
            core.process(song.now(), inputs, outputs, static_cast<int32_t>(to - from));
        }
        song.advance(to - from);
    }

    QueltCore core;
    Urids uris;
    AtomReader reader;
    SongPosition song;
    void* ports[kNumPorts] = {};  // audio and atom ports
    const float* controls[kNumParams];
    float applied[kNumParams];
};

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    LV2_URID_Map* map = nullptr;
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
            map = static_cast<LV2_URID_Map*>(features[i]->data);
    if (!map || !(rate >= 1.0) || !std::isfinite(rate))
        return nullptr;
    return new (std::nothrow) QueltLv2(rate, map);
}

void connectPort(LV2_Handle instance, uint32_t port, void* data) { static_cast<QueltLv2*>(instance)->connect(port, data); }
void activate(LV2_Handle instance) { static_cast<QueltLv2*>(instance)->activate(); }
void run(LV2_Handle instance, uint32_t frames) { static_cast<QueltLv2*>(instance)->run(frames); }
void deactivate(LV2_Handle instance) { static_cast<QueltLv2*>(instance)->deactivate(); }
void cleanup(LV2_Handle instance) { delete static_cast<QueltLv2*>(instance); }
const void* extensionData(const char*) { return nullptr; }

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup,
                                    extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
