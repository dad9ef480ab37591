// The CLAP plug-in as CLAP hosts meet it, through clap_entry: its descriptor
// and extensions against the VST plug-in, transport sessions with parameter,
// MIDI and transport events at chosen frames against the VST plug-in sample for
// sample, state, factory presets and a host's bad input.
#include "clap/clap_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "integration/gate_model.h"
#include "support/test_host.h"

using namespace claptest;

namespace {

constexpr double kRate = 44100.0;
constexpr int kParams = 17;

struct Noise
{
    std::vector<float> left, right;
    explicit Noise(size_t n, uint32_t seed = 7) : left(n), right(n)
    {
        for (size_t i = 0; i < n; ++i)
        {
            left[i] = static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 8388608.0f - 1.0f;
            right[i] = 0.5f;
        }
    }
};

TEST(ClapPlugin, DescribesOnePluginWithTheVstPluginsParametersPortsAndPanel)
{
    ASSERT_NE(entry(), nullptr) << "no clap_entry in " << QUELT_CLAP_PATH;
    EXPECT_EQ(entry()->clap_version.major, 1u);
    const auto* f = static_cast<const clap_plugin_factory_t*>(factory(CLAP_PLUGIN_FACTORY_ID));
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->get_plugin_count(f), 1u);
    const clap_plugin_descriptor_t* d = f->get_plugin_descriptor(f, 0);
    quelt_test::TestHost vst;
    ASSERT_TRUE(vst.isOpen());
    char vendor[kVstMaxVendorStrLen + 1] = {};
    vst.dispatch(effGetVendorString, 0, 0, vendor);
    EXPECT_STREQ(d->id, "quelt.gate");
    EXPECT_STREQ(d->name, "Quelt");
    EXPECT_STREQ(d->vendor, vendor);
    EXPECT_EQ(d->version, std::to_string(QUELT_VERSION_MAJOR) + "." + std::to_string(QUELT_VERSION_MINOR) + "." +
                              std::to_string(QUELT_VERSION_PATCH));
    std::vector<std::string> features;
    for (const char* const* feature = d->features; *feature; ++feature)
        features.push_back(*feature);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "gate", "stereo"}));
    EXPECT_EQ(f->create_plugin(f, nullptr, "quelt.gate"), nullptr);

    Host host;
    ASSERT_NE(host.plugin(), nullptr);
    const auto* audio = host.extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    for (bool input : {true, false})
    {
        ASSERT_EQ(audio->count(host.plugin(), input), 1u);
        clap_audio_port_info_t port{};
        ASSERT_TRUE(audio->get(host.plugin(), 0, input, &port));
        EXPECT_EQ(port.channel_count, 2u);
        EXPECT_STREQ(port.port_type, CLAP_PORT_STEREO);
        EXPECT_EQ(port.flags & CLAP_AUDIO_PORT_IS_MAIN, uint32_t{CLAP_AUDIO_PORT_IS_MAIN});
        EXPECT_EQ(port.in_place_pair, port.id);
    }
    const auto* notes = host.extension<clap_plugin_note_ports_t>(CLAP_EXT_NOTE_PORTS);
    clap_note_port_info_t notePort{};
    ASSERT_EQ(notes->count(host.plugin(), true), 1u);
    ASSERT_TRUE(notes->get(host.plugin(), 0, true, &notePort));
    EXPECT_EQ(notePort.supported_dialects & CLAP_NOTE_DIALECT_MIDI, uint32_t{CLAP_NOTE_DIALECT_MIDI});

    const auto* params = host.extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    ASSERT_EQ(params->count(host.plugin()), static_cast<uint32_t>(kParams));
    for (int i = 0; i < kParams; ++i)
    {
        clap_param_info_t info{};
        ASSERT_TRUE(params->get_info(host.plugin(), static_cast<uint32_t>(i), &info));
        char name[kVstMaxParamStrLen + 1] = {};
        vst.dispatch(effGetParamName, i, 0, name);
        EXPECT_EQ(info.id, static_cast<clap_id>(i));
        EXPECT_STREQ(info.name, name);
        EXPECT_EQ(info.default_value, vst.getParameter(i)) << name;
        EXPECT_EQ(host.value(info.id), vst.getParameter(i)) << name;
        EXPECT_EQ(info.min_value, 0.0);
        EXPECT_EQ(info.max_value, 1.0);
        EXPECT_TRUE(info.flags & CLAP_PARAM_IS_AUTOMATABLE);
        for (float v : {0.0f, 0.49f, 0.5f, 1.0f})
        {
            vst.setParameter(i, v);
            char vstText[kVstMaxParamStrLen + 1] = {}, text[64] = {};
            vst.dispatch(effGetParamDisplay, i, 0, vstText);
            ASSERT_TRUE(params->value_to_text(host.plugin(), info.id, v, text, sizeof text));
            EXPECT_STREQ(text, vstText) << name << " at " << v;
            double back = -1.0;
            ASSERT_TRUE(params->text_to_value(host.plugin(), info.id, text, &back));
            EXPECT_EQ(back < 0.5, v < 0.5f) << text;
        }
    }
    clap_param_info_t none{};
    double ignored = 0.0;
    EXPECT_FALSE(params->get_info(host.plugin(), kParams, &none));
    EXPECT_FALSE(params->get_value(host.plugin(), kParams, &ignored));
    EXPECT_FALSE(params->text_to_value(host.plugin(), 0, "ajar", &ignored));

    const auto* gui = host.extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
#if defined(_WIN32)
    const char* api = CLAP_WINDOW_API_WIN32;
#else
    const char* api = CLAP_WINDOW_API_X11;
#endif
    EXPECT_TRUE(gui->is_api_supported(host.plugin(), api, false));
    EXPECT_FALSE(gui->is_api_supported(host.plugin(), api, true));
    EXPECT_FALSE(gui->can_resize(host.plugin()));
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(host.plugin(), &w, &h));
    EXPECT_EQ(w, 600u);
    EXPECT_EQ(h, 36u);
}

// What the host does at a frame of the song.
struct Cue
{
    int64_t frame;
    enum Kind
    {
        kTransport,  // the song is at `a` quarters, tempo `b`, playing when c != 0
        kParam,      // parameter a set to b
        kMidi        // controller a, data value b
    } kind;
    double a, b;
    int c = 1;
};

struct Session
{
    const char* name;
    std::vector<int> blocks;  // cycled
    int64_t length;
    std::vector<Cue> cues;
};

// Runs a session through the CLAP plug-in (events at their frames), the VST
// plug-in (blocks cut at the same frames, with the time information a VST host
// gives there) and the per-sample rules fed the same, and answers where the
// plug-ins first differ from the rules.
::testing::AssertionResult runSession(const Session& s)
{
    Host clap;
    quelt_test::TestHost vst;
    quelt_model::GateModel model;
    if (!clap.plugin() || !vst.isOpen() || !clap.activate(kRate))
        return ::testing::AssertionFailure() << "no plug-in";
    vst.setSampleRate(static_cast<float>(kRate));
    vst.resume();
    const Noise in(static_cast<size_t>(s.length));
    std::vector<float> out[3][2];
    for (auto& who : out)
        for (auto& channel : who)
            channel.resize(static_cast<size_t>(s.length));

    // The song as the cues play it, and what the plug-in was last told of it
    // (the position in CLAP's fixed point, at a frame).
    bool told = false;
    double quarters = 0.0, qpm = 0.0;
    bool playing = false;
    int64_t cueFrame = 0;
    double lastTold = 0.0;
    int64_t lastFrame = 0;
    auto songAt = [&](int64_t frame) {
        return playing ? quarters + static_cast<double>(frame - cueFrame) * qpm / (60.0 * kRate) : quarters;
    };
    auto tell = [&](uint32_t at, int64_t frame, double q) {
        const clap_event_transport_t t = transportAt(at, q, qpm, playing);
        lastTold = static_cast<double>(t.song_pos_beats) / static_cast<double>(CLAP_BEATTIME_FACTOR);
        lastFrame = frame;
        return t;
    };
    size_t next = 0, blockIndex = 0;
    EventList events;
    for (int64_t start = 0; start < s.length;)
    {
        const int64_t end = std::min<int64_t>(start + s.blocks[blockIndex++ % s.blocks.size()], s.length);
        events.clear();
        auto move = [&](const Cue& c) { told = true, quarters = c.a, qpm = c.b, playing = c.c != 0, cueFrame = c.frame; };
        // Hosts give the song's transport with every block, at its first frame;
        // where the song jumps inside a block, a transport event at that frame.
        for (size_t i = next; i < s.cues.size() && s.cues[i].frame == start; ++i)
            if (s.cues[i].kind == Cue::kTransport)
                move(s.cues[i]);
        clap_event_transport_t blockTransport{};
        if (told)
            blockTransport = tell(0, start, songAt(start));
        // The VST side, cut at every cue inside the block, with the time
        // information of each piece's first frame.
        int64_t from = start;
        auto vstUpTo = [&](int64_t to) {
            if (to <= from)
                return;
            vst.setTimeInfoAvailable(told);
            if (told)
                vst.setTransport(
                    playing ? lastTold + static_cast<double>(from - lastFrame) * qpm / (60.0 * kRate) : lastTold, qpm);
            float* vin[2] = {const_cast<float*>(in.left.data()) + from, const_cast<float*>(in.right.data()) + from};
            float* vout[2] = {out[1][0].data() + from, out[1][1].data() + from};
            vst.processReplacing(vin, vout, static_cast<VstInt32>(to - from));
            model.process(told ? &vst.timeInfo() : nullptr, vin[0], vin[1], out[2][0].data() + from,
                          out[2][1].data() + from, static_cast<int>(to - from));
            from = to;
        };
        for (; next < s.cues.size() && s.cues[next].frame < end; ++next)
        {
            const Cue& c = s.cues[next];
            const auto at = static_cast<uint32_t>(c.frame - start);
            vstUpTo(c.frame);
            if (c.kind == Cue::kTransport)
            {
                if (at == 0)
                    continue;
                move(c);
                events.add(tell(at, c.frame, c.a));
            }
            else if (c.kind == Cue::kParam)
            {
                events.add(paramAt(at, static_cast<clap_id>(c.a), c.b));
                vst.setParameter(static_cast<int>(c.a), static_cast<float>(c.b));
                model.setParameter(static_cast<int>(c.a), static_cast<float>(c.b));
            }
            else
            {
                const quelt_test::MidiMessage cc = quelt_test::controlChange(3, static_cast<int>(c.a), static_cast<int>(c.b));
                events.add(midiAt(at, cc.status, cc.data1, cc.data2));
                vst.sendMidi({cc});
                model.receive(cc);
            }
        }
        vstUpTo(end);
        float* cin[2] = {const_cast<float*>(in.left.data()) + start, const_cast<float*>(in.right.data()) + start};
        float* cout[2] = {out[0][0].data() + start, out[0][1].data() + start};
        if (clap.process(cin, cout, static_cast<uint32_t>(end - start), blockTransport.header.size ? &blockTransport : nullptr,
                         events) != CLAP_PROCESS_CONTINUE)
            return ::testing::AssertionFailure() << "process failed at frame " << start;
        start = end;
    }
    for (int who = 0; who < 2; ++who)
        for (int ch = 0; ch < 2; ++ch)
            for (int64_t i = 0; i < s.length; ++i)
                if (std::memcmp(&out[who][ch][i], &out[2][ch][i], sizeof(float)) != 0)
                    return ::testing::AssertionFailure()
                           << (who ? "VST" : "CLAP") << " channel " << ch << " frame " << i << ": "
                           << quelt_model::describe(out[who][ch][i]) << ", the rules give "
                           << quelt_model::describe(out[2][ch][i]);
    if (!clap.violations().empty())
        return ::testing::AssertionFailure() << clap.violations().front();
    return ::testing::AssertionSuccess();
}

void PrintTo(const Session& s, std::ostream* os) { *os << s.name; }

class ClapSessions : public ::testing::TestWithParam<Session>
{
};

TEST_P(ClapSessions, TheGateEqualsTheVstPluginAndTheRulesSampleForSample) { EXPECT_TRUE(runSession(GetParam())); }

const Session kSessions[] = {
    {"transport_every_block_512", {512}, 88200, {{0, Cue::kTransport, 0.0, 120.0}}},
    {"every_block_64_from_bar_7_decay_with_events_inside_blocks",
     {64},
     44100,
     {{0, Cue::kTransport, 28.0, 128.0},
      {0, Cue::kParam, 16, 1.0},
      {6401, Cue::kParam, 2, 1.0},
      {12830, Cue::kMidi, 61, 0},
      {20007, Cue::kMidi, 47, 127},
      {30000, Cue::kParam, 5, 0.0},
      {30000, Cue::kParam, 5, 1.0}}},
    {"transport_events_inside_blocks_a_loop_and_a_tempo_change",
     {1, 7, 333, 4096, 1000},
     150000,
     {{0, Cue::kTransport, -1.0, 90.0}, {30011, Cue::kTransport, 8.25, 90.0}, {50000, Cue::kTransport, 8.0, 174.0}}},
    {"stopped_then_rolling_with_edits_while_stopped",
     {512},
     60000,
     {{0, Cue::kTransport, 4.1, 120.0, 0}, {1000, Cue::kParam, 0, 0.0}, {30000, Cue::kTransport, 4.1, 120.0, 1}}},
    {"no_transport_until_frame_20000", {1000}, 50000, {{20000, Cue::kTransport, 0.0, 120.0}}},
    {"far_into_the_song_one_block_of_65536", {65536}, 65536, {{0, Cue::kTransport, 1000003.25, 140.0}}},
};

INSTANTIATE_TEST_SUITE_P(HostsPlay, ClapSessions, ::testing::ValuesIn(kSessions),
                         [](const ::testing::TestParamInfo<Session>& info) { return std::string(info.param.name); });

// A state saved and loaded into another instance gives the same values, name
// and sound; anything else loads as false and changes nothing.
TEST(ClapPlugin, StateLoadsBackToTheSameSoundAndRefusesAnythingElse)
{
    struct Stream
    {
        std::vector<uint8_t> bytes;
        size_t at = 0;
        int64_t chunk = 7;  // hosts hand streams over in pieces
        clap_ostream_t out{this, [](const clap_ostream_t* s, const void* data, uint64_t n) -> int64_t {
                               auto& self = *static_cast<Stream*>(s->ctx);
                               const auto* b = static_cast<const uint8_t*>(data);
                               const uint64_t take = std::min<uint64_t>(n, static_cast<uint64_t>(self.chunk));
                               self.bytes.insert(self.bytes.end(), b, b + take);
                               return static_cast<int64_t>(take);
                           }};
        clap_istream_t in{this, [](const clap_istream_t* s, void* data, uint64_t n) -> int64_t {
                              auto& self = *static_cast<Stream*>(s->ctx);
                              const uint64_t take = std::min<uint64_t>(
                                  {n, self.bytes.size() - self.at, static_cast<uint64_t>(self.chunk)});
                              if (take)
                                  std::memcpy(data, self.bytes.data() + self.at, take);
                              self.at += take;
                              return static_cast<int64_t>(take);
                          }};
    };
    Host a, b;
    ASSERT_TRUE(a.activate() && b.activate());
    EventList edits;
    for (int i = 0; i < kParams; ++i)
        edits.add(paramAt(0, static_cast<clap_id>(i), (i * 7) % 3 == 0 ? 1.0 : 0.0));
    Noise in(4096);
    std::vector<float> outA(4096), outB(4096), junk(4096);
    float* channels[2] = {in.left.data(), in.right.data()};
    float* junkOut[2] = {junk.data(), junk.data()};
    ASSERT_EQ(a.process(channels, junkOut, 1, nullptr, edits), CLAP_PROCESS_CONTINUE);

    Stream saved;
    ASSERT_TRUE(a.extension<clap_plugin_state_t>(CLAP_EXT_STATE)->save(a.plugin(), &saved.out));
    const auto* bState = b.extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    auto valuesOf = [](const Host& h) {
        std::vector<double> v;
        for (int i = 0; i < kParams; ++i)
            v.push_back(h.value(static_cast<clap_id>(i)));
        return v;
    };
    const std::vector<double> defaults = valuesOf(b);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> refused = {
        {"empty", {}},
        {"truncated", {saved.bytes.begin(), saved.bytes.end() - 1}},
        {"a byte too many", [&] { auto v = saved.bytes; v.push_back(0); return v; }()},
        {"another version", [&] { auto v = saved.bytes; v[4] = 2; return v; }()},
        {"garbage", std::vector<uint8_t>(saved.bytes.size(), 0xA5)},
        {"a name without its end", [&] { auto v = saved.bytes; std::fill(v.end() - 24, v.end(), 'x'); return v; }()},
        {"a value beyond 1", [&] { auto v = saved.bytes; v[8 + 3] = 0x40; return v; }()},
    };
    for (const auto& [what, bytes] : refused)
    {
        Stream s;
        s.bytes = bytes;
        EXPECT_FALSE(bState->load(b.plugin(), &s.in)) << what;
        EXPECT_EQ(valuesOf(b), defaults) << what;
    }
    EXPECT_FALSE(bState->load(b.plugin(), nullptr));

    saved.at = 0;
    ASSERT_TRUE(bState->load(b.plugin(), &saved.in));
    EXPECT_EQ(valuesOf(b), valuesOf(a));
    const clap_event_transport_t song = transportAt(0, 3.0, 120.0);
    float* outs[2][2] = {{outA.data(), junk.data()}, {outB.data(), junk.data()}};
    EventList none;
    a.process(channels, outs[0], 4096, &song, none);
    b.process(channels, outs[1], 4096, &song, none);
    EXPECT_EQ(outA, outB);
    Stream again;
    ASSERT_TRUE(bState->save(b.plugin(), &again.out));
    EXPECT_EQ(again.bytes, saved.bytes) << "the program's name and values come back whole";
}

// The 16 programs as a host's preset browser finds them, and loading one.
TEST(ClapPlugin, HostsListTheFactoryProgramsByNameAndLoadThem)
{
    const auto* f = static_cast<const clap_preset_discovery_factory_t*>(factory(CLAP_PRESET_DISCOVERY_FACTORY_ID));
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->count(f), 1u);
    struct Found
    {
        std::vector<clap_preset_discovery_location_t> locations;
        std::vector<std::pair<std::string, std::string>> presets;  // name, key
        std::vector<std::string> pluginIds;
    } found;
    clap_preset_discovery_indexer_t indexer{CLAP_VERSION_INIT, "test", "", "", "", &found, nullptr, nullptr, nullptr,
                                            nullptr};
    indexer.declare_filetype = [](const clap_preset_discovery_indexer_t*, const clap_preset_discovery_filetype_t*) {
        return true;
    };
    indexer.declare_location = [](const clap_preset_discovery_indexer_t* i, const clap_preset_discovery_location_t* l) {
        static_cast<Found*>(i->indexer_data)->locations.push_back(*l);
        return true;
    };
    indexer.get_extension = [](const clap_preset_discovery_indexer_t*, const char*) -> const void* { return nullptr; };
    const clap_preset_discovery_provider_t* provider = f->create(f, &indexer, f->get_descriptor(f, 0)->id);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->init(provider));
    ASSERT_EQ(found.locations.size(), 1u);
    EXPECT_EQ(found.locations[0].kind, uint32_t{CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN});

    clap_preset_discovery_metadata_receiver_t receiver{};
    receiver.receiver_data = &found;
    receiver.begin_preset = [](const clap_preset_discovery_metadata_receiver_t* r, const char* name, const char* key) {
        static_cast<Found*>(r->receiver_data)->presets.emplace_back(name, key);
        return true;
    };
    receiver.add_plugin_id = [](const clap_preset_discovery_metadata_receiver_t* r, const clap_universal_plugin_id_t* id) {
        static_cast<Found*>(r->receiver_data)->pluginIds.push_back(std::string(id->abi) + ":" + id->id);
    };
    ASSERT_TRUE(provider->get_metadata(provider, found.locations[0].kind, found.locations[0].location, &receiver));
    provider->destroy(provider);

    quelt_test::TestHost vst;
    ASSERT_TRUE(vst.isOpen());
    ASSERT_EQ(found.presets.size(), 16u);
    EXPECT_EQ(found.pluginIds, std::vector<std::string>(16, "clap:quelt.gate"));
    Host host;
    const auto* load = host.extension<clap_plugin_preset_load_t>(CLAP_EXT_PRESET_LOAD);
    for (int p = 15; p >= 0; --p)
    {
        char name[kVstMaxProgNameLen + 1] = {};
        vst.dispatch(effGetProgramNameIndexed, p, 0, name);
        EXPECT_EQ(found.presets[p].first, name);
        vst.dispatch(effSetProgram, 0, p);
        ASSERT_TRUE(load->from_location(host.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr,
                                        found.presets[p].second.c_str()));
        for (int i = 0; i < kParams; ++i)
            EXPECT_EQ(host.value(static_cast<clap_id>(i)), vst.getParameter(i)) << name << " parameter " << i;
    }
    EXPECT_EQ(host.presetReports.back(), "loaded 0");
    for (const char* key : {"16", "-1", "x", "", "1x"})
        EXPECT_FALSE(load->from_location(host.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_PLUGIN, nullptr, key)) << key;
    EXPECT_FALSE(load->from_location(host.plugin(), CLAP_PRESET_DISCOVERY_LOCATION_FILE, "/tmp/x", "0"));
    EXPECT_EQ(host.presetReports.back(), "error 0");
    EXPECT_TRUE(host.violations().empty());
}

// Hosts that break the rules: no crash, the gain within [0, 1], false where CLAP has an answer.
TEST(ClapPlugin, BadInputFromAHostNeverRaisesTheGain)
{
    Host host;
    Noise in(4096, 99);
    std::vector<float> left(4096), right(4096);
    float* channels[2] = {in.left.data(), in.right.data()};
    float* out[2] = {left.data(), right.data()};
    EventList none;
    EXPECT_EQ(host.process(channels, out, 64, nullptr, none), CLAP_PROCESS_ERROR) << "process before activate";
    EXPECT_FALSE(host.activate(NAN));
    EXPECT_FALSE(host.activate(0.0));
    EXPECT_FALSE(host.activate(1e300));
    ASSERT_TRUE(host.activate());

    EventList bad;
    clap_event_param_value_t shortEvent = paramAt(3, 0, 1.0);
    shortEvent.header.size = 12;
    bad.add(shortEvent);
    clap_event_param_value_t otherSpace = paramAt(3, 1, 1.0);
    otherSpace.header.space_id = 77;
    bad.add(otherSpace);
    clap_event_param_value_t unknown = paramAt(5, 2, 1.0);
    unknown.header.type = 999;
    bad.add(unknown);
    for (double v : {double(NAN), double(INFINITY), -double(INFINITY), 1e300, -1e300, 2.0, -1.0})
        bad.add(paramAt(900, static_cast<clap_id>(bad.list()->size(bad.list()) % 17), v));  // out of time order
    bad.add(paramAt(10, 4000000000u, 1.0));
    bad.add(paramAt(100000, 3, 0.25));  // beyond the block
    bad.add(midiAt(2, 0xB0, 200, 255));
    clap_event_transport_t weird = transportAt(1, 1e12, NAN);
    bad.add(weird);
    weird = transportAt(50, -77.0, 1e9);
    bad.add(weird);
    const clap_event_transport_t song = transportAt(0, 1.0, 300.0);
    for (const clap_event_transport_t* t : {&song, static_cast<const clap_event_transport_t*>(nullptr)})
    {
        ASSERT_EQ(host.process(channels, out, 4096, t, bad), CLAP_PROCESS_CONTINUE);
        for (size_t i = 0; i < 4096; ++i)
            ASSERT_TRUE(std::fabs(left[i]) <= std::fabs(in.left[i]) && std::fabs(right[i]) <= std::fabs(in.right[i]))
                << "frame " << i << ": " << left[i] << " from " << in.left[i];
    }
    // A list that answers with nothing, and buffers a host forgot.
    clap_input_events_t empty{nullptr, [](const clap_input_events_t*) -> uint32_t { return 3; },
                              [](const clap_input_events_t*, uint32_t) -> const clap_event_header_t* { return nullptr; }};
    const clap_audio_buffer_t noData{nullptr, nullptr, 2, 0, 0};
    clap_audio_buffer_t outBuffer{out, nullptr, 2, 0, 0};
    const clap_process_t forgot{0, 64, nullptr, &noData, &outBuffer, 1, 1, &empty, nullptr};
    EXPECT_EQ(host.plugin()->process(host.plugin(), &forgot), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(left[0], 0.0f) << "no input is silence";
    EXPECT_EQ(host.plugin()->process(host.plugin(), nullptr), CLAP_PROCESS_ERROR);
}

} // namespace
