#include "support/test_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quelt_test {

namespace {

static_assert(sizeof(VstMidiEvent) == sizeof(VstEvent), "events share one slot size");

// Records are looked up without a lock: the audio thread asks for time on every block, and a
// lock here would order the plug-in's threads for ThreadSanitizer and hide their races.
struct RegistrySlot
{
    std::atomic<AEffect*> effect{nullptr};
    std::atomic<TestHost*> host{nullptr};
};

constexpr std::size_t kRegistrySlots = 64;
RegistrySlot g_registry[kRegistrySlots];
std::mutex g_registryWrite;

// The version probe comes before any record exists, and the constructor may call back
// with a record the host has not been given yet.
std::mutex g_instantiating;
std::atomic<TestHost*> g_constructing{nullptr};

std::atomic<std::size_t> g_strayCalls{0};

void registerEffect(AEffect* effect, TestHost* host)
{
    std::lock_guard<std::mutex> lock(g_registryWrite);
    for (RegistrySlot& slot : g_registry)
    {
        if (slot.effect.load(std::memory_order_relaxed) == nullptr)
        {
            slot.host.store(host, std::memory_order_relaxed);
            slot.effect.store(effect, std::memory_order_release);
            return;
        }
    }
    std::abort();  // more live effects than any test needs
}

void unregisterEffect(AEffect* effect)
{
    std::lock_guard<std::mutex> lock(g_registryWrite);
    for (RegistrySlot& slot : g_registry)
    {
        if (slot.effect.load(std::memory_order_relaxed) == effect)
        {
            slot.effect.store(nullptr, std::memory_order_release);
            slot.host.store(nullptr, std::memory_order_relaxed);
        }
    }
}

TestHost* findHost(AEffect* effect)
{
    if (effect != nullptr)
    {
        for (RegistrySlot& slot : g_registry)
        {
            if (slot.effect.load(std::memory_order_acquire) == effect)
                return slot.host.load(std::memory_order_relaxed);
        }
    }
    return g_constructing.load(std::memory_order_acquire);
}

#if defined(_WIN32)
// CMake hands over a Unix path when the tests run under wine; wine maps / to drive Z:.
std::string windowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string converted = "Z:" + path;
    std::replace(converted.begin(), converted.end(), '/', '\\');
    return converted;
}
#endif

}  // namespace

// ---------------------------------------------------------------- EventBlock

void EventBlock::reserve(std::size_t events)
{
    if (events_.size() < events)
        events_.resize(events);
    const std::size_t headerBytes = offsetof(VstEvents, events) + std::max<std::size_t>(events, 2) * sizeof(VstEvent*);
    if (header_.size() < headerBytes)
        header_.resize(headerBytes);
}

void EventBlock::add(const MidiMessage& message)
{
    reserve(count_ + 1);
    VstMidiEvent& e = events_[count_++];
    std::memset(&e, 0, sizeof e);
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = message.deltaFrames;
    e.midiData[0] = static_cast<char>(message.status);
    e.midiData[1] = static_cast<char>(message.data1);
    e.midiData[2] = static_cast<char>(message.data2);
}

void EventBlock::addRaw(const VstEvent& event)
{
    reserve(count_ + 1);
    std::memcpy(&events_[count_++], &event, sizeof event);
}

VstEvents* EventBlock::events()
{
    reserve(count_);
    VstEvents* block = reinterpret_cast<VstEvents*>(header_.data());
    block->numEvents = static_cast<VstInt32>(count_);
    block->reserved = 0;
    for (std::size_t i = 0; i < count_; ++i)
        block->events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
    return block;
}

// ---------------------------------------------------------------- TestHost

TestHost::TestHost(bool instantiateNow, const std::string& path)
{
    setTransport(0.0, 120.0);
    timeInfo_.sampleRate = 44100.0;
    timeInfo_.timeSigNumerator = 4;
    timeInfo_.timeSigDenominator = 4;
    timeInfo_.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    calls_.reserve(1024);
    reserveFrames(4096);
    events_.reserve(64);

#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr)
        module = LoadLibraryA(windowsPath(path).c_str());
    if (module == nullptr)
    {
        loadError_ = "LoadLibraryA failed for " + path + " (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    library_ = module;
    auto resolve = [module](const char* name) {
        return reinterpret_cast<PluginEntryProc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    };
#else
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr)
    {
        const char* why = dlerror();
        loadError_ = "dlopen failed: " + std::string(why ? why : path);
        return;
    }
    void* handle = library_;
    auto resolve = [handle](const char* name) { return reinterpret_cast<PluginEntryProc>(dlsym(handle, name)); };
#endif
    entry_ = resolve("VSTPluginMain");
    mainEntry_ = resolve("main");
    if (entry_ == nullptr)
    {
        loadError_ = "no VSTPluginMain export in " + path;
        return;
    }
    if (instantiateNow)
        instantiate();
}

TestHost::~TestHost()
{
    close();
    unload();
}

void TestHost::unload()
{
    if (library_ == nullptr)
        return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library_));
#else
    dlclose(library_);
#endif
    library_ = nullptr;
    entry_ = nullptr;
    mainEntry_ = nullptr;
}

AEffect* TestHost::instantiate()
{
    return instantiate(entry_);
}

AEffect* TestHost::instantiate(PluginEntryProc entry)
{
    close();
    if (entry == nullptr)
        return nullptr;
    std::lock_guard<std::mutex> lock(g_instantiating);
    g_constructing.store(this, std::memory_order_release);
    AEffect* effect = entry(&TestHost::hostCallback);
    g_constructing.store(nullptr, std::memory_order_release);
    if (effect != nullptr)
    {
        registerEffect(effect, this);
        effect_ = effect;
    }
    return effect;
}

VstIntPtr TestHost::close()
{
    if (effect_ == nullptr)
        return 0;
    AEffect* effect = effect_;
    const VstIntPtr result = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    unregisterEffect(effect);
    effect_ = nullptr;
    return result;
}

void TestHost::setTransport(double ppqPos, double tempo)
{
    timeInfo_.ppqPos = ppqPos;
    timeInfo_.tempo = tempo;
}

void TestHost::advanceTransport(int frames)
{
    timeInfo_.samplePos += frames;
    timeInfo_.ppqPos += frames * timeInfo_.tempo / (60.0 * timeInfo_.sampleRate);
}

void TestHost::setAnswer(VstInt32 opcode, Answer answer)
{
    if (opcode >= 0 && opcode < static_cast<VstInt32>(answers_.size()))
    {
        answers_[static_cast<std::size_t>(opcode)] = std::move(answer);
        return;
    }
    otherAnswers_.erase(std::remove_if(otherAnswers_.begin(), otherAnswers_.end(),
                                       [opcode](const std::pair<VstInt32, Answer>& a) { return a.first == opcode; }),
                        otherAnswers_.end());
    if (answer)
        otherAnswers_.emplace_back(opcode, std::move(answer));
}

void TestHost::reserveCalls(std::size_t n)
{
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.reserve(n);
}

std::vector<HostCall> TestHost::calls() const
{
    std::lock_guard<std::mutex> lock(callsMutex_);
    return calls_;
}

std::size_t TestHost::countCalls(VstInt32 opcode) const
{
    std::lock_guard<std::mutex> lock(callsMutex_);
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [opcode](const HostCall& c) { return c.opcode == opcode; }));
}

void TestHost::clearCalls()
{
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.clear();  // keeps the capacity
}

std::size_t TestHost::strayCalls()
{
    return g_strayCalls.load();
}

VstIntPtr VSTCALLBACK TestHost::hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                             void* ptr, float opt)
{
    TestHost* host = findHost(effect);
    if (host == nullptr)
    {
        g_strayCalls.fetch_add(1);
        return 0;
    }
    return host->answer(HostCall{effect, opcode, index, value, ptr, opt});
}

VstIntPtr TestHost::answer(const HostCall& call)
{
    if (recording_.load(std::memory_order_relaxed))
    {
        std::lock_guard<std::mutex> lock(callsMutex_);
        calls_.push_back(call);
    }
    if (call.opcode >= 0 && call.opcode < static_cast<VstInt32>(answers_.size()))
    {
        if (answers_[static_cast<std::size_t>(call.opcode)])
            return answers_[static_cast<std::size_t>(call.opcode)](call);
    }
    else
    {
        for (const auto& a : otherAnswers_)
            if (a.first == call.opcode)
                return a.second(call);
    }
    switch (call.opcode)
    {
    case audioMasterVersion:
        return hostVersion_.load(std::memory_order_relaxed);
    case audioMasterGetTime:
        return timeAvailable_.load(std::memory_order_relaxed) ? reinterpret_cast<VstIntPtr>(&timeInfo_) : 0;
    default:
        return 0;
    }
}

VstIntPtr TestHost::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string TestHost::dispatchText(VstInt32 opcode, VstInt32 index, VstIntPtr value, std::size_t bufferSize, char fill,
                                   VstIntPtr* result)
{
    std::vector<char> buffer(bufferSize, fill);
    const VstIntPtr r = dispatch(opcode, index, value, buffer.data(), 0.0f);
    if (result != nullptr)
        *result = r;
    const auto end = std::find(buffer.begin(), buffer.end(), '\0');
    return std::string(buffer.begin(), end);
}

void TestHost::setParameter(VstInt32 index, float value)
{
    effect_->setParameter(effect_, index, value);
}

float TestHost::getParameter(VstInt32 index)
{
    return effect_->getParameter(effect_, index);
}

void TestHost::reserveFrames(int frames)
{
    const std::size_t n = static_cast<std::size_t>(std::max(frames, 1));
    for (int c = 0; c < 2; ++c)
    {
        if (in_[c].size() < n)
            in_[c].resize(n, 0.0f);
        if (out_[c].size() < n)
            out_[c].resize(n, 0.0f);
    }
}

void TestHost::fillInput(float left, float right)
{
    std::fill(in_[0].begin(), in_[0].end(), left);
    std::fill(in_[1].begin(), in_[1].end(), right);
}

void TestHost::fillOutput(float value)
{
    std::fill(out_[0].begin(), out_[0].end(), value);
    std::fill(out_[1].begin(), out_[1].end(), value);
}

void TestHost::process(int frames)
{
    reserveFrames(frames);
    float* inputs[2] = {in_[0].data(), in_[1].data()};
    float* outputs[2] = {out_[0].data(), out_[1].data()};
    processReplacing(inputs, outputs, frames);
}

void TestHost::processInPlace(int frames)
{
    reserveFrames(frames);
    if (frames > 0)
    {
        std::copy(in_[0].begin(), in_[0].begin() + frames, out_[0].begin());
        std::copy(in_[1].begin(), in_[1].begin() + frames, out_[1].begin());
    }
    float* buffers[2] = {out_[0].data(), out_[1].data()};
    processReplacing(buffers, buffers, frames);
}

void TestHost::processReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    effect_->processReplacing(effect_, inputs, outputs, frames);
}

VstIntPtr TestHost::sendMidi(std::initializer_list<MidiMessage> messages)
{
    return sendMidi(messages.begin(), messages.size());
}

VstIntPtr TestHost::sendMidi(const std::vector<MidiMessage>& messages)
{
    return sendMidi(messages.data(), messages.size());
}

VstIntPtr TestHost::sendMidi(const MidiMessage* messages, std::size_t count)
{
    events_.clear();
    for (std::size_t i = 0; i < count; ++i)
        events_.add(messages[i]);
    return sendEvents(events_.events());
}

}  // namespace quelt_test
