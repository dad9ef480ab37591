// glibc keeps its allocator under __libc_* names, so these replacements can forward to it
// without dlsym (which itself allocates).
#include "alloc_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <malloc.h>
#include <new>
#include <stdlib.h>
#include <unistd.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* ptr, std::size_t size);
void __libc_free(void* ptr);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_allocations{0};
std::atomic<long> g_frees{0};

inline void noteAllocation()
{
    if (g_armed.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
}

inline void noteFree(void* ptr)
{
    if (ptr != nullptr && g_armed.load(std::memory_order_relaxed))
        g_frees.fetch_add(1, std::memory_order_relaxed);
}

void* allocateOrThrow(std::size_t size)
{
    void* p = malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* allocateAlignedOrThrow(std::size_t size, std::size_t alignment)
{
    noteAllocation();
    void* p = __libc_memalign(alignment, size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

}  // namespace

namespace quelt_alloc {

void arm()
{
    g_allocations.store(0);
    g_frees.store(0);
    g_armed.store(true);
}

Counts disarm()
{
    g_armed.store(false);
    return Counts{g_allocations.load(), g_frees.load()};
}

}  // namespace quelt_alloc

extern "C" {

void* malloc(std::size_t size) noexcept
{
    noteAllocation();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    noteAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* ptr, std::size_t size) noexcept
{
    noteAllocation();
    return __libc_realloc(ptr, size);
}

void free(void* ptr) noexcept
{
    noteFree(ptr);
    __libc_free(ptr);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    noteAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    noteAllocation();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr)
        return ENOMEM;
    *out = p;
    return 0;
}

void* valloc(std::size_t size) noexcept
{
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), size);
}

}  // extern "C"

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return malloc(size == 0 ? 1 : size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return malloc(size == 0 ? 1 : size); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateAlignedOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAlignedOrThrow(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(a), size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(a), size == 0 ? 1 : size);
}

void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, std::size_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete(void* p, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { free(p); }
