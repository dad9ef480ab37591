// The module's bitmap resources compiled into the binary, for platforms
// without a resource section of their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VSTGUI {
namespace platform {

struct EmbeddedBitmap
{
    int32_t resourceId;
    const uint8_t* data;
    size_t size;
};

// Null when the module has no bitmap of that number.
const EmbeddedBitmap* findEmbeddedBitmap(int32_t resourceId);

} // namespace platform
} // namespace VSTGUI
