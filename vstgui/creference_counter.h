// The ownership root of every view, bitmap and drawing context.
#pragma once

#include <cstdint>

namespace VSTGUI {

// Starts with one reference, owned by the creator. Counting happens on the
// editor's window thread only, so the count is a plain integer.
class CReferenceCounter
{
public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;

    virtual ~CReferenceCounter() = default;

    virtual void release()
    {
        if (--refCount == 0)
            delete this;
    }
    virtual void retain() { ++refCount; }

    int32_t getNbReference() const { return refCount; }

protected:
    int32_t refCount = 1;
};

} // namespace VSTGUI
