// A parameter value that one thread writes while another reads it: a single
// 32-bit float with relaxed ordering, which costs nothing on the audio thread.
#pragma once

#include <atomic>

class SharedFloat
{
public:
    SharedFloat(float initial = 0.0f) : value(initial) {}
    SharedFloat(const SharedFloat& other) : value(other.load()) {}
    SharedFloat& operator=(const SharedFloat& other)
    {
        store(other.load());
        return *this;
    }

    float load() const { return value.load(std::memory_order_relaxed); }
    void store(float v) { value.store(v, std::memory_order_relaxed); }

private:
    std::atomic<float> value;
};

static_assert(sizeof(SharedFloat) == sizeof(float), "a parameter value is one 32-bit float");
