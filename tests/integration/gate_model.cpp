#include "gate_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace quelt_model {

BlockConstants blockConstants(double tempo, float engineRate)
{
    BlockConstants c{};
    c.tempo = static_cast<float>(tempo);
    const double rate = engineRate;
    c.rampStep = static_cast<float>(1.0 / (rate * static_cast<double>(0.002f)));
    c.tempoUsable = std::isfinite(c.tempo) && c.tempo > 0.0f;
    if (!c.tempoUsable)
    {
        // Standing still, with every sample before the ramp.
        c.increment = 0.0f;
        c.stepMs = 0.0f;
        c.rampStart = 1.0f;
        return c;
    }
    c.increment = static_cast<double>(c.tempo) / (15.0 * rate);
    c.stepMs = static_cast<float>(15000.0 / static_cast<double>(c.tempo));
    c.rampStart = static_cast<float>((static_cast<double>(c.stepMs) - 2.0) / static_cast<double>(c.stepMs));
    return c;
}

double blockStartPosition(double ppqPos)
{
    double p = ppqPos * 4.0;
    if (!std::isfinite(p))
        return 0.0;
    p = std::fmod(p, 16.0);
    if (p < 0.0)
        p += 16.0;
    if (p == 16.0)
        p = 0.0;
    return p;
}

GateModel::GateModel()
{
    static const float factory[kSteps] = {1, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
    std::copy(std::begin(factory), std::end(factory), params_);
    params_[kModeIndex] = 0.0f;
}

void GateModel::setParameter(int index, float value)
{
    if (index < 0)
        return;
    params_[std::min(index, kModeIndex)] = value;
}

float GateModel::parameter(int index) const
{
    return index < 0 ? 0.0f : params_[std::min(index, kModeIndex)];
}

void GateModel::setSampleRate(float rate)
{
    if (std::isfinite(rate) && rate >= 1.0f)
        engineRate_ = rate;
}

void GateModel::suspend()
{
    position_ = 0.0f;
    envelope_ = 0.0f;
}

void GateModel::receive(const quelt_test::MidiMessage& message)
{
    if ((message.status & 0xF0) != 0xB0)
        return;
    const int controller = static_cast<signed char>(message.data1);
    const float value = static_cast<signed char>(message.data2) >= 64 ? 1.0f : 0.0f;
    if (controller >= 45 && controller <= 61)
        setParameter(controller - 45, value);
}

void GateModel::process(const VstTimeInfo* time, const float* inL, const float* inR, float* outL, float* outR,
                        int frames)
{
    if (tracing_)
        trace_.clear();
    if (time == nullptr)
    {
        for (int i = 0; i < frames; ++i)
        {
            const float l = inL[i];
            const float r = inR[i];
            outL[i] = l;
            outR[i] = r;
        }
        return;
    }

    constants_ = blockConstants(time->tempo, engineRate_);

    float largest = 0.0f;
    for (int s = 0; s < kSteps; ++s)
    {
        float v = params_[s];
        if (!std::isfinite(v))
            v = 0.0f;
        v = std::min(1000.0f, std::max(-1000.0f, v));
        snapshot_[s] = v;
        largest = std::max(largest, std::fabs(v));
    }
    bound_ = 1.0f + largest;

    const double increment = constants_.increment;
    const float rampStep = constants_.rampStep;
    const float rampStart = constants_.rampStart;
    const double start = blockStartPosition(time->ppqPos);
    position_ = static_cast<float>(start);

    double passes = 0.0;  // 16 for every time the pattern came round within the block
    double p = start;
    for (int i = 0; i <= frames; ++i)
    {
        p = start - passes + i * increment;
        if (increment >= 16.0)  // a pattern or more per sample
            p = blockStartPosition((start + i * increment) / 4.0);
        else if (p >= 16.0)
        {
            passes += 16.0;
            p -= 16.0;
        }
        if (i == frames)
            break;
        if (tracing_)
            trace_.push_back(p);

        const int idx = static_cast<int>(p);
        const float g = snapshot_[idx];
        const float next = snapshot_[(idx + 1) & 15];
        const float diff = next - g;
        const float frac = static_cast<float>(p - idx);

        float env = envelope_;
        if (params_[kModeIndex] < 0.5f)
        {
            if (frac < rampStart)
                env = g;
            else if (env < next)
                env = std::min(next, env + std::fabs(diff) * rampStep);
            else
                env = std::max(next, env - std::fabs(diff) * rampStep);
        }
        else
        {
            const float nextAgain = g + diff;
            const float peak = static_cast<float>(next + g * (1.0 - static_cast<double>(rampStart)));
            if (frac >= rampStart && nextAgain > 0.5f)
                env = std::max(env, std::min(peak, env + rampStep));
            else
                env = g * (1.0f - frac);
        }
        env = std::min(bound_, std::max(-bound_, env));
        envelope_ = env;

        const float l = inL[i];
        const float r = inR[i];
        outL[i] = l * env;
        outR[i] = r * env;
    }
    if (frames > 0)
        position_ = static_cast<float>(p);
}

std::string describe(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string describe(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    char text[64];
    std::snprintf(text, sizeof text, "%.9g [0x%08x]", static_cast<double>(value), static_cast<unsigned>(bits));
    return text;
}

// ---------------------------------------------------------------- Lockstep

Lockstep::Lockstep(quelt_test::TestHost& host, GateModel& model, uint32_t seed)
    : host_(host), model_(model), noise_(seed * 2654435761u + 12345u)
{
    model_.setTracing(true);
}

void Lockstep::setParameter(int index, float value)
{
    host_.setParameter(index, value);
    model_.setParameter(index, value);
}

void Lockstep::setPattern(const float (&steps)[kSteps], float mode)
{
    for (int s = 0; s < kSteps; ++s)
        setParameter(s, steps[s]);
    setParameter(kModeIndex, mode);
}

void Lockstep::setSampleRate(float rate)
{
    host_.setSampleRate(rate);
    model_.setSampleRate(rate);
}

void Lockstep::suspend()
{
    host_.suspend();
    model_.suspend();
}

void Lockstep::resume()
{
    host_.resume();
}

void Lockstep::sendMidi(const std::vector<quelt_test::MidiMessage>& messages)
{
    host_.sendMidi(messages);
    for (const auto& m : messages)
        model_.receive(m);
}

void Lockstep::setTime(double ppqPos, double tempo)
{
    host_.setTransport(ppqPos, tempo);
}

void Lockstep::setTimeAvailable(bool available)
{
    timeAvailable_ = available;
    host_.setTimeInfoAvailable(available);
}

::testing::AssertionResult Lockstep::block(int frames, bool inPlace)
{
    const int n = std::max(frames, 0);
    host_.reserveFrames(n);
    inL_.assign(n, 1.0f);
    inR_.resize(n);
    for (int i = 0; i < n; ++i)
    {
        noise_ = noise_ * 1664525u + 1013904223u;
        inR_[i] = static_cast<float>(static_cast<int32_t>(noise_)) * (1.0f / 2147483648.0f);
    }
    std::copy(inL_.begin(), inL_.end(), host_.input(0));
    std::copy(inR_.begin(), inR_.end(), host_.input(1));

    const VstTimeInfo time = host_.timeInfo();
    outL_.assign(n, 0.0f);
    outR_.assign(n, 0.0f);
    model_.process(timeAvailable_ ? &time : nullptr, inL_.data(), inR_.data(), outL_.data(), outR_.data(), frames);

    if (inPlace)
        host_.processInPlace(frames);
    else
        host_.process(frames);
    ++blocks_;

    gains_.assign(host_.output(0), host_.output(0) + n);
    const float* gotR = host_.output(1);
    for (int i = 0; i < n; ++i)
    {
        const bool leftSame = std::memcmp(&gains_[i], &outL_[i], sizeof(float)) == 0;
        const bool rightSame = std::memcmp(&gotR[i], &outR_[i], sizeof(float)) == 0;
        if (leftSame && rightSame)
            continue;
        std::ostringstream why;
        why << "block " << blocks_ - 1 << " (" << frames << " frames"
            << (inPlace ? ", in place" : "") << "), sample " << i << ": ";
        if (!timeAvailable_)
            why << "no time info; ";
        else
            why << "ppqPos " << time.ppqPos << ", tempo " << time.tempo << ", engine rate " << model_.engineRate()
                << ", mode " << model_.parameter(kModeIndex) << ", model position "
                << (i < static_cast<int>(model_.trace().size()) ? describe(model_.trace()[i]) : "?")
                << ", rampStart " << describe(model_.lastConstants().rampStart) << "; ";
        if (!leftSame)
            why << "left (input 1) expected " << describe(outL_[i]) << " got " << describe(gains_[i]);
        else
            why << "right (input " << describe(inR_[i]) << ") expected " << describe(outR_[i]) << " got "
                << describe(gotR[i]);
        if (i > 0)
            why << "; previous gain " << describe(outL_[i - 1]);
        return ::testing::AssertionFailure() << why.str();
    }
    return ::testing::AssertionSuccess();
}

}  // namespace quelt_model
