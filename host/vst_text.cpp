#include "host/vst_text.h"

#include <cstring>

namespace vsttext
{
void copy(char* dst, const char* src, std::size_t capacity)
{
    if (!dst || capacity == 0)
        return;
    std::size_t length = src ? strnlen(src, capacity - 1) : 0;
    std::memcpy(dst, src ? src : "", length);
    dst[length] = '\0';
}
}
