// Bounded text writing for the buffers the host hands in.
#pragma once

#include <cstddef>

namespace vsttext
{
// Copies src into dst of `capacity` bytes, cutting it to capacity - 1 characters
// and always terminating. Nothing is written when dst is null or capacity is 0.
void copy(char* dst, const char* src, std::size_t capacity);
}
