// The LV2 plug-in as LV2 hosts meet it: the bundle read by lilv, the plug-in
// run with time:Position objects where Ardour and jalv send them, and its output
// compared sample for sample with the VST plug-in and the per-sample rules fed
// the same positions and tempo.
#include "lv2/lv2_host.h"

#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/presets/presets.h>
#include <lv2/time/time.h>
#include <lv2/ui/ui.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "integration/gate_model.h"
#include "lv2/quelt_lv2_ports.h"
#include "support/test_host.h"

using lv2test::Bundle;
using lv2test::Lv2Host;
using lv2test::Position;
using namespace quelt_lv2;

namespace {

constexpr double kRate = 44100.0;
using quelt_model::kModeIndex;
constexpr int kModeParam = kModeIndex;
using quelt_model::kNumParams;

Bundle& bundle()
{
    static Bundle b;
    return b;
}

std::string nodeText(const LilvNode* node) { return node ? lilv_node_as_string(node) : ""; }

// The song as the host plays it: from `frame` on, `quarters` and running on at
// `qpm` quarter notes per minute times `speed`.
struct Move
{
    int64_t frame;
    double quarters;
    double qpm;
    float speed = 1.0f;
};

enum class Sends
{
    WhereTheSongMoves,  // jalv: only where something changes, at that frame
    EveryBlock,         // Ardour: at the start of every block, and where the song moves
};

struct Session
{
    const char* name;
    std::vector<int> blocks;  // cycled
    int64_t length;
    std::vector<Move> song;
    Sends sends;
    int32_t beatUnit = 4;
    float beatsPerBar = 4.0f;
    bool bars = true;  // bar and beat in the bar, else the song's beat
    float mode = 0.0f;
    // (frame, parameter, value), applied at the first block starting at or after frame
    std::vector<std::tuple<int64_t, int, float>> controls = {};
};

// What the host tells of the song at a frame, and the song position and tempo
// that the message amounts to (the host's float fields included).
struct Told
{
    Position message;
    double quarters;
    double qpm;
    float speed;
};

Told tell(const Session& s, const Move& m, int64_t frame)
{
    const double quarters = m.quarters + static_cast<double>(frame - m.frame) * m.speed * m.qpm / (60.0 * kRate);
    const double beats = quarters * s.beatUnit / 4.0;
    Told t;
    t.message.frame = frame;
    t.message.speed = m.speed;
    t.message.beatUnit = s.beatUnit;
    t.message.beatsPerBar = s.beatsPerBar;
    t.message.beatsPerMinute = static_cast<float>(m.qpm * s.beatUnit / 4.0);
    if (s.bars)
    {
        const double bar = std::floor(beats / s.beatsPerBar);
        t.message.bar = static_cast<int64_t>(bar);
        t.message.barBeat = static_cast<float>(beats - bar * s.beatsPerBar);
        t.quarters = (bar * s.beatsPerBar + static_cast<double>(*t.message.barBeat)) * 4.0 / s.beatUnit;
    }
    else
    {
        t.message.beat = beats;
        t.quarters = beats * 4.0 / s.beatUnit;
    }
    t.qpm = static_cast<double>(*t.message.beatsPerMinute) * 4.0 / s.beatUnit;
    t.speed = m.speed;
    return t;
}

// Runs a session through the LV2 plug-in, the VST plug-in and the model, and
// answers where the first two first differ from the model.
::testing::AssertionResult runSession(const Session& s)
{
    Lv2Host lv2(bundle(), kRate);
    quelt_test::TestHost vst;
    quelt_model::GateModel model;
    if (!lv2.ok() || !vst.isOpen())
        return ::testing::AssertionFailure() << "no plug-in";
    vst.setSampleRate(static_cast<float>(kRate));
    model.setSampleRate(static_cast<float>(kRate));
    vst.resume();
    auto set = [&](int parameter, float value) {
        lv2.setControl(parameterPort(parameter), value);
        vst.setParameter(parameter, value);
        model.setParameter(parameter, value);
    };
    set(kModeParam, s.mode);

    std::vector<float> ones(65536, 1.0f), noise(65536), out[3][2];
    for (auto& o : out)
        for (auto& c : o)
            c.resize(65536);
    uint32_t seed = 7;
    for (float& n : noise)
        n = static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 8388608.0f - 1.0f;

    std::optional<Told> last;  // the last thing the host told, and the frame it told it at
    int64_t lastFrame = 0;
    size_t nextMove = 0, nextControl = 0, blockIndex = 0;
    for (int64_t start = 0; start < s.length;)
    {
        const auto frames = static_cast<uint32_t>(std::min<int64_t>(s.blocks[blockIndex++ % s.blocks.size()], s.length - start));
        while (nextControl < s.controls.size() && std::get<0>(s.controls[nextControl]) <= start)
        {
            set(std::get<1>(s.controls[nextControl]), std::get<2>(s.controls[nextControl]));
            ++nextControl;
        }
        // What the host sends in this block, and where the VST host's blocks are cut.
        std::vector<std::pair<int64_t, Told>> told;
        const Move* playing = nullptr;
        for (const Move& m : s.song)
            if (m.frame <= start)
                playing = &m;
        if (s.sends == Sends::EveryBlock && playing)
            told.emplace_back(start, tell(s, *playing, start));
        for (; nextMove < s.song.size() && s.song[nextMove].frame < start + frames; ++nextMove)
            if (s.song[nextMove].frame >= start &&
                !(told.size() == 1 && told[0].first == s.song[nextMove].frame))
                told.emplace_back(s.song[nextMove].frame, tell(s, s.song[nextMove], s.song[nextMove].frame));
            else if (s.song[nextMove].frame >= start)
                told[0].second = tell(s, s.song[nextMove], s.song[nextMove].frame);
        for (const auto& [frame, t] : told)
            lv2.send(frame - start, t.message);

        float* lv2Out[2] = {out[0][0].data(), out[0][1].data()};
        lv2.run(ones.data(), noise.data(), lv2Out[0], lv2Out[1], frames);

        std::vector<int64_t> cuts{start};
        for (const auto& [frame, t] : told)
            if (frame > start)
                cuts.push_back(frame);
        cuts.push_back(start + frames);
        size_t toldIndex = 0;
        for (size_t c = 0; c + 1 < cuts.size(); ++c)
        {
            const int64_t from = cuts[c];
            while (toldIndex < told.size() && told[toldIndex].first <= from)
            {
                last = told[toldIndex].second;
                lastFrame = told[toldIndex].first;
                ++toldIndex;
            }
            const int n = static_cast<int>(cuts[c + 1] - from);
            const size_t at = static_cast<size_t>(from - start);
            VstTimeInfo time{};
            if (last)
            {
                const double elapsed = last->speed == 0.0f ? 0.0 : static_cast<double>(from - lastFrame) * last->speed;
                vst.setTransport(last->quarters + elapsed * last->qpm / (60.0 * kRate), last->qpm);
                time = vst.timeInfo();
            }
            vst.setTimeInfoAvailable(last.has_value());
            float* in[2] = {ones.data() + at, noise.data() + at};
            float* vstOut[2] = {out[1][0].data() + at, out[1][1].data() + at};
            vst.processReplacing(in, vstOut, n);
            model.process(last ? &time : nullptr, in[0], in[1], out[2][0].data() + at, out[2][1].data() + at, n);
        }
        for (int who = 0; who < 2; ++who)
            for (int ch = 0; ch < 2; ++ch)
                for (uint32_t i = 0; i < frames; ++i)
                    if (std::memcmp(&out[who][ch][i], &out[2][ch][i], sizeof(float)) != 0)
                        return ::testing::AssertionFailure()
                               << (who ? "VST" : "LV2") << " channel " << ch << " frame " << start + i << ": "
                               << quelt_model::describe(out[who][ch][i]) << ", the rules give "
                               << quelt_model::describe(out[2][ch][i]);
        start += frames;
    }
    return ::testing::AssertionSuccess();
}

void PrintTo(const Session& s, std::ostream* os) { *os << s.name; }

class Lv2Sessions : public ::testing::TestWithParam<Session>
{
};

TEST_P(Lv2Sessions, TheGateEqualsTheVstPluginAndTheRulesSampleForSample) { EXPECT_TRUE(runSession(GetParam())); }

const Session kSessions[] = {
    {"jalv_one_position_512", {512}, 88200, {{0, 0.0, 120.0}}, Sends::WhereTheSongMoves},
    {"ardour_every_block_64_from_bar_7_decay", {64}, 44100, {{0, 28.0, 128.0}}, Sends::EveryBlock, 4, 4.0f, true, 1.0f,
     {{6400, 2, 2.0f}, {12800, kModeParam, 0.5f}, {20000, 5, -0.5f}, {30000, 2, NAN}}},
    {"positions_inside_blocks_a_loop_and_a_tempo_change",
     {1, 7, 333, 4096, 1000},
     150000,
     {{0, -1.0, 90.0}, {30011, 8.25, 90.0}, {50000, 8.0, 174.0}, {50001, 8.0, 174.0}},
     Sends::WhereTheSongMoves},
    {"six_eight_beat_unit_8", {256}, 60000, {{0, 13.5, 100.0}}, Sends::EveryBlock, 8, 6.0f},
    {"beat_without_bars_far_into_the_song", {4096}, 100000, {{0, 1000003.25, 140.0}}, Sends::WhereTheSongMoves, 4,
     4.0f, false},
    {"stopped_then_rolling", {512}, 80000, {{0, 4.1, 120.0, 0.0f}, {30000, 4.1, 120.0, 1.0f}}, Sends::EveryBlock},
    {"no_position_until_frame_20000", {1000}, 50000, {{20000, 0.0, 120.0}}, Sends::WhereTheSongMoves},
    {"one_block_of_65536_with_positions_anywhere",
     {65536},
     65536,
     {{1, 2.0, 133.0}, {777, 3.0, 133.0}, {40000, 64.75, 60.0}},
     Sends::WhereTheSongMoves, 4, 4.0f, true, 1.0f},
};

INSTANTIATE_TEST_SUITE_P(HostsSendPositions, Lv2Sessions, ::testing::ValuesIn(kSessions),
                         [](const ::testing::TestParamInfo<Session>& info) { return std::string(info.param.name); });

// Ports, presets and UI as lilv reads them, against what the VST plug-in reports.
TEST(Lv2Bundle, DescribesThePortsPresetsAndUiAsTheVstPluginDoes)
{
    Bundle& b = bundle();
    const LilvPlugin* plugin = b.plugin();
    quelt_test::TestHost vst;
    ASSERT_TRUE(vst.isOpen());

    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), static_cast<uint32_t>(kNumPorts));
    const char* symbols[] = {"in_l", "in_r", "out_l", "out_r"};
    for (uint32_t i = 0; i < 4; ++i)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        EXPECT_EQ(nodeText(lilv_port_get_symbol(plugin, port)), symbols[i]);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, b.uri(LV2_CORE__AudioPort)));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, b.uri(i < 2 ? LV2_CORE__InputPort : LV2_CORE__OutputPort)));
    }
    for (int p = 0; p < kNumParams; ++p)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, parameterPort(p));
        EXPECT_EQ(nodeText(lilv_port_get_symbol(plugin, port)), p == kModeParam ? "mode" : "gate_" + std::to_string(p + 1));
        LilvNode* name = lilv_port_get_name(plugin, port);
        EXPECT_EQ(nodeText(name), vst.dispatchText(effGetParamName, p));
        lilv_node_free(name);
        LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
        lilv_port_get_range(plugin, port, &def, &min, &max);
        EXPECT_EQ(lilv_node_as_float(def), vst.getParameter(p)) << "port " << p;
        EXPECT_EQ(lilv_node_as_float(min), 0.0f);
        EXPECT_EQ(lilv_node_as_float(max), 1.0f);
        lilv_node_free(def), lilv_node_free(min), lilv_node_free(max);
    }
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, lilv_plugin_get_port_by_index(plugin, kMode));
    std::map<std::string, float> modes;
    LILV_FOREACH(scale_points, i, points)
    {
        const LilvScalePoint* point = lilv_scale_points_get(points, i);
        modes[nodeText(lilv_scale_point_get_label(point))] = lilv_node_as_float(lilv_scale_point_get_value(point));
    }
    lilv_scale_points_free(points);
    EXPECT_EQ(modes, (std::map<std::string, float>{{"HOLD", 0.0f}, {"DECAY", 1.0f}}));

    const LilvPort* control = lilv_plugin_get_port_by_index(plugin, kControl);
    EXPECT_EQ(nodeText(lilv_port_get_symbol(plugin, control)), "control");
    EXPECT_TRUE(lilv_port_supports_event(plugin, control, b.uri(LV2_TIME__Position)));
    EXPECT_EQ(lilv_plugin_get_port_by_designation(plugin, b.uri(LV2_CORE__InputPort), b.uri(LV2_CORE__control)),
              control);
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(lilv_nodes_size(required), 1u);
    EXPECT_TRUE(lilv_nodes_contains(required, b.uri(LV2_URID__map)));
    lilv_nodes_free(required);

    // Every factory program is a preset labelled with its name, holding its values.
    LilvNodes* presets = lilv_plugin_get_related(plugin, b.uri(LV2_PRESETS__Preset));
    std::map<std::string, std::vector<float>> byLabel;
    LILV_FOREACH(nodes, i, presets)
    {
        lilv_world_load_resource(b.world(), lilv_nodes_get(presets, i));
        LilvState* state = lilv_state_new_from_world(b.world(), lv2test::UridMap().feature(), lilv_nodes_get(presets, i));
        ASSERT_NE(state, nullptr);
        std::vector<float> values(kNumParams, NAN);
        lilv_state_emit_port_values(
            state,
            [](const char* symbol, void* data, const void* value, uint32_t, uint32_t) {
                auto* v = static_cast<std::vector<float>*>(data);
                const std::string s = symbol;
                const int p = s == "mode" ? kModeParam : std::stoi(s.substr(5)) - 1;
                std::memcpy(&(*v)[p], value, sizeof(float));
            },
            &values);
        byLabel[lilv_state_get_label(state)] = values;
        lilv_state_free(state);
    }
    lilv_nodes_free(presets);
    ASSERT_EQ(byLabel.size(), 16u);
    for (int program = 0; program < 16; ++program)
    {
        vst.dispatch(effSetProgram, 0, program);
        const std::string label = vst.dispatchText(effGetProgramNameIndexed, program);
        ASSERT_EQ(byLabel.count(label), 1u) << label;
        for (int p = 0; p < kNumParams; ++p)
            EXPECT_EQ(byLabel[label][p], vst.getParameter(p)) << label << " parameter " << p;
    }

    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_EQ(nodeText(lilv_ui_get_uri(ui)), kUiUri);
    EXPECT_TRUE(lilv_ui_is_a(ui, b.uri(LV2_UI__X11UI)));
    lilv_uis_free(uis);
}

// Without urid:map there are no positions to read; a host that offers none gets no plug-in.
TEST(Lv2Gate, AHostWithoutUridMapGetsNoInstance) { EXPECT_FALSE(Lv2Host(bundle(), kRate, false).ok()); }

// activate starts the envelope from 0, as resuming the VST plug-in after a suspend does.
TEST(Lv2Gate, ActivateStartsTheEnvelopeAfresh)
{
    for (bool reactivate : {false, true})
    {
        Lv2Host lv2(bundle(), kRate);
        std::vector<float> ones(4096, 1.0f), out(4096);
        Position p;
        p.bar = 0, p.barBeat = 0.0f, p.beatsPerMinute = 120.0f, p.speed = 1.0f;
        lv2.send(0, p);
        lv2.run(ones.data(), ones.data(), out.data(), out.data(), 4096);
        ASSERT_EQ(out[4095], 1.0f);  // step 1 is open
        if (reactivate)
            lv2.deactivate(), lv2.activate();
        p.barBeat = 0.4975f;  // inside the last 2 ms of step 2 (open), ramping toward step 3 (closed)
        lv2.send(0, p);
        lv2.run(ones.data(), ones.data(), out.data(), out.data(), 1);
        if (reactivate)
            EXPECT_EQ(out[0], 0.0f);
        else
            EXPECT_GT(out[0], 0.98f);
    }
}

// The step output tells the UI which step plays: the step of the block's song
// position while the song moves, 0 while it stands or the plug-in is off.
TEST(Lv2Gate, TheStepPortReportsThePlayingStep)
{
    Lv2Host lv2(bundle(), kRate);
    std::vector<float> in(256, 1.0f), out(256);
    const auto stepAfter = [&](std::optional<float> barBeat, std::optional<float> speed) {
        Position p;
        p.bar = 3, p.barBeat = barBeat, p.beatsPerMinute = 120.0f, p.speed = speed;
        lv2.send(0, p);
        lv2.run(in.data(), in.data(), out.data(), out.data(), 256);
        return lv2.control(kStep);
    };
    EXPECT_EQ(lv2.control(kStep), 0.0f) << "no block yet";
    EXPECT_EQ(stepAfter(1.3f, 1.0f), 6.0f);
    EXPECT_EQ(stepAfter(3.99f, 1.0f), 16.0f);
    EXPECT_EQ(stepAfter(0.0f, 1.0f), 1.0f);
    EXPECT_EQ(stepAfter(2.6f, 0.0f), 0.0f) << "stopped";
    EXPECT_EQ(stepAfter(2.6f, 1.0f), 11.0f);
    lv2.deactivate();
    EXPECT_EQ(lv2.control(kStep), 0.0f) << "deactivated";
    lv2.activate();
}

// Atoms a host or a bug might send: the plug-in reads nothing outside the
// sequence, changes nothing it should not, and keeps the gain bounded.
TEST(Lv2Gate, MalformedAtomsAndNonFiniteNumbersChangeNothingTheyShouldNot)
{
    Lv2Host lv2(bundle(), kRate);
    lv2test::UridMap& u = lv2.urids();
    std::vector<float> in(512), out(512);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = std::sin(static_cast<float>(i) * 0.1f);
    auto bounded = [&](float bound) {
        for (size_t i = 0; i < out.size(); ++i)
            if (!(std::fabs(out[i]) <= bound * std::fabs(in[i])))
                return false;
        return true;
    };
    auto le32 = [](std::vector<uint8_t>& bytes, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    // An object whose property claims more bytes than the object holds.
    std::vector<uint8_t> overlong;
    le32(overlong, 0), le32(overlong, u.map(LV2_TIME__Position));
    le32(overlong, u.map(LV2_TIME__bar)), le32(overlong, 0), le32(overlong, 1u << 30), le32(overlong, u.map(LV2_ATOM__Long));
    // bar as a string, bpm as infinity, barBeat not a number
    Position bad;
    bad.bar = 3, bad.beatsPerMinute = INFINITY, bad.barBeat = NAN, bad.speed = NAN;

    const std::vector<std::function<void()>> hostile = {
        [&] { lv2.sendAtom(0, u.map(LV2_TIME__Position), std::vector<uint8_t>(12, 0xff)); },
        [&] { lv2.sendAtom(0, u.map(LV2_ATOM__Object), overlong); },
        [&] { lv2.sendAtom(0, u.map(LV2_ATOM__Blank), {1, 2, 3}); },
        [&] { lv2.send(0, bad); },
        [&] { lv2.send(-5, bad), lv2.send(1u << 20, bad); },
        [&] {
            lv2.send(100, Position{});
            lv2.overrideSequenceSize(sizeof(LV2_Atom_Sequence_Body) + 20);
        },
    };
    // Before any position: the audio passes unchanged, whatever arrives.
    for (const auto& send : hostile)
    {
        send();
        lv2.run(in.data(), in.data(), out.data(), out.data(), 512);
        EXPECT_EQ(out, in);
    }
    // With a position in step 1: what follows it neither moves the gate off the
    // open steps nor lets its gain leave the bounds of a step value of 1000.
    Position good;
    good.bar = 1, good.barBeat = 0.1f, good.beatsPerMinute = 120.0f, good.speed = 1.0f;
    for (const auto& send : hostile)
    {
        lv2.send(0, good);
        send();
        lv2.run(in.data(), in.data(), out.data(), out.data(), 512);
        EXPECT_EQ(out, in);
    }
    lv2.setControl(parameterPort(0), 1000.0f);
    lv2.send(0, good);
    lv2.send(0, bad);
    lv2.run(in.data(), in.data(), out.data(), out.data(), 512);
    EXPECT_TRUE(bounded(1001.0f));
    EXPECT_FALSE(bounded(1.0f)) << "a step value of 1000 acts as a gain";
}

} // namespace
