// Cost of the gate per frame, in HOLD and DECAY at three block sizes, beside a
// plain stereo gain loop measured in the same run; prints the ratios.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "effect/gate_kernels.h"
#include "host/quelt.h"
#ifdef QUELT_BENCH_LV2
#include "lv2/lv2_host.h"
#include "lv2/quelt_lv2_ports.h"
#include "support/test_host.h"
#endif
#ifdef QUELT_BENCH_CLAP
#include "clap/clap_host.h"
#endif

namespace
{
VstTimeInfo timeInfo;

VstIntPtr VSTCALLBACK host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterVersion)
        return 2400;
    if (opcode == audioMasterGetTime)
        return reinterpret_cast<VstIntPtr>(&timeInfo);
    return 0;
}

struct Buffers
{
    explicit Buffers(int frames) : left(frames, 0.5f), right(frames, -0.25f), outLeft(frames), outRight(frames) {}
    // A reverb tail dying away from 1e-30 into the subnormal range and below.
    void fillTail()
    {
        float level = 1e-30f;
        for (size_t i = 0; i < left.size(); ++i, level = level > 1e-44f ? level * 0.9f : 1e-30f)
        {
            left[i] = level;
            right[i] = -level;
        }
    }
    std::vector<float> left, right, outLeft, outRight;
    float* in[2] = {left.data(), right.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
};

void perFrame(benchmark::State& state, int frames)
{
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["ns/frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Gate(benchmark::State& state, float mode, bool tail = false, bool allOpen = false)
{
    const int frames = static_cast<int>(state.range(0));
    Quelt effect(host);
    effect.setParameter(16, mode);
    for (int i = 0; allOpen && i < kNumSteps; ++i)
        effect.setParameter(i, 1.0f);
    effect.resume();
    Buffers b(frames);
    if (tail)
        b.fillTail();
    timeInfo.tempo = 120.0;
    timeInfo.ppqPos = 0.0;
    const double quartersPerBlock = frames * 120.0 / (60.0 * 44100.0);
    for (auto _ : state)
    {
        effect.processReplacing(b.in, b.out, frames);
        benchmark::DoNotOptimize(b.outLeft.data());
        timeInfo.ppqPos += quartersPerBlock;
    }
    perFrame(state, frames);
}

// The engine alone (no host call, no control-register guard) with one set of
// loops, to compare the SSE2 and AVX paths.
void Engine(benchmark::State& state, float mode, const GateKernels* kernels)
{
    const int frames = static_cast<int>(state.range(0));
    if (!kernels)
    {
        state.SkipWithError("not on this processor");
        return;
    }
    GateEngine engine;
    engine.setKernels(*kernels);
    SharedFloat params[kNumParams];
    for (int i = 0; i < kNumSteps; ++i)
        params[i].store(i % 2 == 0 ? 1.0f : 0.0f);
    params[kModeParam].store(mode);
    Buffers b(frames);
    Transport time = Transport::at(0.0, 120.0);
    const double quartersPerBlock = frames * 120.0 / (60.0 * 44100.0);
    for (auto _ : state)
    {
        engine.process(time, params, b.in, b.out, frames);
        benchmark::DoNotOptimize(b.outLeft.data());
        time.position += quartersPerBlock;
    }
    perFrame(state, frames);
}

#ifdef QUELT_BENCH_LV2
// The LV2 plug-in's run, loaded as hosts load it, with the song position as
// jalv sends it (once, the plug-in runs on from there) or as Ardour does (at the
// start of every block, written by the host before the clock runs).
void Lv2(benchmark::State& state, float mode, bool everyBlock)
{
    const int frames = static_cast<int>(state.range(0));
    static lv2test::Bundle bundle;
    lv2test::Lv2Host lv2(bundle, 44100.0);
    lv2.setControl(quelt_lv2::kMode, mode);
    Buffers b(frames);
    lv2test::Position p;
    p.bar = 0, p.barBeat = 0.0f, p.beatUnit = 4, p.beatsPerBar = 4.0f, p.beatsPerMinute = 120.0f, p.speed = 1.0f;
    lv2.send(0, p);
    std::vector<lv2test::Lv2Host::Sequence> positions;
    const double quartersPerBlock = frames * 120.0 / (60.0 * 44100.0);
    for (int block = 0; everyBlock && block < 2048; ++block)
    {
        const double quarters = block * quartersPerBlock;
        p.bar = static_cast<int64_t>(quarters / 4.0);
        p.barBeat = static_cast<float>(quarters - 4.0 * static_cast<double>(*p.bar));
        lv2.send(0, p);
        positions.push_back(lv2.takeEvents());
    }
    size_t block = 0;
    for (auto _ : state)
    {
        lv2.run(b.left.data(), b.right.data(), b.outLeft.data(), b.outRight.data(), static_cast<uint32_t>(frames),
                everyBlock ? &positions[block++ % positions.size()] : nullptr);
        benchmark::DoNotOptimize(b.outLeft.data());
    }
    perFrame(state, frames);
}
// The VST plug-in as hosts load it too: the shared object through its entry
// point, so that the two formats are measured alike.
void VstLoaded(benchmark::State& state, float mode)
{
    const int frames = static_cast<int>(state.range(0));
    quelt_test::TestHost vst;
    vst.setRecording(false);
    vst.setParameter(16, mode);
    vst.resume();
    vst.setTransport(0.0, 120.0);
    Buffers b(frames);
    for (auto _ : state)
    {
        vst.processReplacing(b.in, b.out, frames);
        benchmark::DoNotOptimize(b.outLeft.data());
        vst.advanceTransport(frames);
    }
    perFrame(state, frames);
}
void VstHold(benchmark::State& state) { VstLoaded(state, 0.0f); }
void VstDecay(benchmark::State& state) { VstLoaded(state, 1.0f); }
BENCHMARK(VstHold)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(VstDecay)->Arg(64)->Arg(512)->Arg(4096);

void Lv2Hold(benchmark::State& state) { Lv2(state, 0.0f, false); }
void Lv2Decay(benchmark::State& state) { Lv2(state, 1.0f, false); }
void Lv2HoldEveryBlock(benchmark::State& state) { Lv2(state, 0.0f, true); }
void Lv2DecayEveryBlock(benchmark::State& state) { Lv2(state, 1.0f, true); }
BENCHMARK(Lv2Hold)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(Lv2Decay)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(Lv2HoldEveryBlock)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(Lv2DecayEveryBlock)->Arg(64)->Arg(512)->Arg(4096);
#endif

#ifdef QUELT_BENCH_CLAP
// The CLAP plug-in's process, loaded through clap_entry, with the transport of
// every block as CLAP hosts give it.
void Clap(benchmark::State& state, double mode)
{
    const int frames = static_cast<int>(state.range(0));
    claptest::Host clap;
    clap.activate(44100.0);
    Buffers b(frames);
    const clap_audio_buffer_t input{b.in, nullptr, 2, 0, 0};
    clap_audio_buffer_t output{b.out, nullptr, 2, 0, 0};
    const claptest::EventList none;
    claptest::EventList setMode;
    setMode.add(claptest::paramAt(0, 16, mode));
    clap_event_transport_t song = claptest::transportAt(0, 0.0, 120.0);
    const clap_beattime beatsPerBlock = claptest::transportAt(0, frames * 120.0 / (60.0 * 44100.0), 120.0).song_pos_beats;
    clap_process_t p{0, static_cast<uint32_t>(frames), &song, &input, &output, 1, 1, setMode.list(), nullptr};
    clap.plugin()->process(clap.plugin(), &p);
    p.in_events = none.list();
    for (auto _ : state)
    {
        clap.plugin()->process(clap.plugin(), &p);
        benchmark::DoNotOptimize(b.outLeft.data());
        song.song_pos_beats += beatsPerBlock;
    }
    perFrame(state, frames);
}
void ClapHold(benchmark::State& state) { Clap(state, 0.0); }
void ClapDecay(benchmark::State& state) { Clap(state, 1.0); }
BENCHMARK(ClapHold)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(ClapDecay)->Arg(64)->Arg(512)->Arg(4096);
#endif

void Hold(benchmark::State& state) { Gate(state, 0.0f); }
void Decay(benchmark::State& state) { Gate(state, 1.0f); }
// The factory pattern has 7 closed steps, which cost DECAY no more than HOLD;
// with every step open each frame's fall is computed.
void DecayOpen(benchmark::State& state) { Gate(state, 1.0f, false, true); }
void HoldTail(benchmark::State& state) { Gate(state, 0.0f, true); }
void DecayTail(benchmark::State& state) { Gate(state, 1.0f, true); }

// The floor: both channels times one constant.
void PlainGain(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    Buffers b(frames);
    float gain = 0.7f;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(gain);
        for (int i = 0; i < frames; ++i)
        {
            b.outLeft[i] = b.left[i] * gain;
            b.outRight[i] = b.right[i] * gain;
        }
        benchmark::ClobberMemory();
    }
    perFrame(state, frames);
}

BENCHMARK(PlainGain)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(Hold)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(Decay)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(DecayOpen)->Arg(64)->Arg(512)->Arg(4096);
BENCHMARK(HoldTail)->Arg(512);
BENCHMARK(DecayTail)->Arg(512);
BENCHMARK_CAPTURE(Engine, HoldSSE2, 0.0f, &sse2Kernels())->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Engine, HoldAVX, 0.0f, avxKernels())->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Engine, DecaySSE2, 1.0f, &sse2Kernels())->Arg(512)->Arg(4096);
BENCHMARK_CAPTURE(Engine, DecayAVX, 1.0f, avxKernels())->Arg(512)->Arg(4096);

// Collects ns per frame of every run, keeping the best of the repetitions
// (the machine's other work only ever adds time), for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            auto it = run.counters.find("ns/frame");
            if (run.run_type != Run::RT_Iteration || run.error_occurred || it == run.counters.end())
                continue;
            const std::string name = run.run_name.str();
            const double ns = it->second.value * 1e9;
            auto best = nsPerFrame.find(name);
            if (best == nsPerFrame.end() || ns < best->second)
                nsPerFrame[name] = ns;
        }
    }
    std::map<std::string, double> nsPerFrame;
};
}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-9s %8s %12s %12s %12s\n", "mode", "block", "ns/frame", "plain gain", "ratio");
    for (const char* mode : {"Hold", "Decay", "DecayOpen"})
        for (const char* block : {"64", "512", "4096"})
        {
            auto gate = reporter.nsPerFrame.find(std::string(mode) + "/" + block);
            auto plain = reporter.nsPerFrame.find(std::string("PlainGain/") + block);
            if (gate == reporter.nsPerFrame.end() || plain == reporter.nsPerFrame.end())
                continue;
            std::printf("%-9s %8s %12.3f %12.3f %12.2f\n", mode, block, gate->second, plain->second,
                        gate->second / plain->second);
        }
    for (const char* mode : {"Hold", "Decay"})
        for (const char* block : {"512", "4096"})
            for (const char* path : {"SSE2", "AVX"})
            {
                auto engine = reporter.nsPerFrame.find(std::string("Engine/") + mode + path + "/" + block);
                auto plain = reporter.nsPerFrame.find(std::string("PlainGain/") + block);
                if (engine != reporter.nsPerFrame.end() && plain != reporter.nsPerFrame.end())
                    std::printf("%-8s %8s %12.3f %12.3f %12.2f  (engine alone, %s)\n", mode, block, engine->second,
                                plain->second, engine->second / plain->second, path);
            }
    // LV2's run beside the VST plug-in's processReplacing.
    for (const char* sends : {"", "EveryBlock"})
        for (const char* mode : {"Hold", "Decay"})
            for (const char* block : {"64", "512", "4096"})
            {
                auto lv2 = reporter.nsPerFrame.find(std::string("Lv2") + mode + sends + "/" + block);
                auto vst = reporter.nsPerFrame.find(std::string("Vst") + mode + "/" + block);
                if (lv2 != reporter.nsPerFrame.end() && vst != reporter.nsPerFrame.end())
                    std::printf("%-8s %8s %12.3f %12.3f %12.2f  (LV2 run / VST processReplacing, %s)\n", mode, block,
                                lv2->second, vst->second, lv2->second / vst->second,
                                *sends ? "a position every block" : "one position");
            }
    // CLAP's process beside the VST plug-in's processReplacing.
    for (const char* mode : {"Hold", "Decay"})
        for (const char* block : {"64", "512", "4096"})
        {
            auto clap = reporter.nsPerFrame.find(std::string("Clap") + mode + "/" + block);
            auto vst = reporter.nsPerFrame.find(std::string("Vst") + mode + "/" + block);
            if (clap != reporter.nsPerFrame.end() && vst != reporter.nsPerFrame.end())
                std::printf("%-8s %8s %12.3f %12.3f %12.2f  (CLAP process / VST processReplacing)\n", mode, block,
                            clap->second, vst->second, clap->second / vst->second);
        }
    // Subnormal input must cost what normal input costs.
    for (const char* mode : {"Hold", "Decay"})
    {
        auto tail = reporter.nsPerFrame.find(std::string(mode) + "Tail/512");
        auto normal = reporter.nsPerFrame.find(std::string(mode) + "/512");
        if (tail != reporter.nsPerFrame.end() && normal != reporter.nsPerFrame.end())
            std::printf("%-8s %8s %12.3f %12s %12.2f  (subnormal tail / normal input)\n", mode, "512", tail->second,
                        "", tail->second / normal->second);
    }
    benchmark::Shutdown();
    return 0;
}
