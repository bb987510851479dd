// Replacement global operator new and delete that count bytes and calls.
//
// Sizes are taken from malloc_usable_size, so the figures include the allocator's rounding:
// what the heap really holds, not only what was asked for. Over-aligned forms are left to the
// library (nothing measured here uses them).
#include "heap_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> current{0};
std::atomic<uint64_t> peak{0};
std::atomic<uint64_t> calls{0};

void* allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) return nullptr;
    uint64_t now = current.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    uint64_t high = peak.load(std::memory_order_relaxed);
    while (now > high && !peak.compare_exchange_weak(high, now, std::memory_order_relaxed)) {
    }
    calls.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void release(void* p) {
    if (!p) return;
    current.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

namespace heap_counter {

uint64_t currentBytes() { return current.load(std::memory_order_relaxed); }
uint64_t peakBytes() { return peak.load(std::memory_order_relaxed); }
void resetPeak() { peak.store(current.load(std::memory_order_relaxed), std::memory_order_relaxed); }
uint64_t allocations() { return calls.load(std::memory_order_relaxed); }

}  // namespace heap_counter

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
