#include "platform/Random.h"

#include <atomic>

namespace Platform {

namespace {
std::atomic<uint32_t> gRandState{1};
}

void SRand(uint32_t seed)
{
    gRandState.store(seed, std::memory_order_relaxed);
}

int Rand()
{
    // A draw from another thread must not tear the state or repeat a value.
    uint32_t seed = gRandState.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = seed * 214013u + 2531011u;
    } while (!gRandState.compare_exchange_weak(seed, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 0x7FFFu);
}

} // namespace Platform
