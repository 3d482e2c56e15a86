#pragma once
// The runtime's rand()/srand(), reimplemented so that every machine draws the
// same sequence from the same seed: a recorded demo replays only if the game's
// random numbers do too.

#include <cstdint>

namespace Platform {

inline constexpr int kRandMax = 32767;

// One process-wide state, like the runtime's; the initial seed is 1.
void SRand(uint32_t seed);

// 0 .. kRandMax: seed = seed * 214013 + 2531011, result = (seed >> 16) & 0x7FFF.
int Rand();

} // namespace Platform
