#pragma once
// Which vector rows the rasteriser draws with. The program may run on a
// machine other than the one that built it: the widest rows the processor
// offers are chosen once at start-up, and tests pick each level in turn to
// hold every one of them to the generic kernel.

#include <atomic>

namespace Vorn::SWTri {

// Zero is the level every x86-64 processor runs: what a drawing made before
// the choice (during static initialisation) reads.
enum class RowLevel : int { Sse2 = 0, Avx2 = 1 };

// Whether this processor (and its operating system) runs rows of `level`.
bool RowLevelSupported(RowLevel level);

// Rows of `level` from the next row on; false, and nothing changed, where
// the processor lacks it.
bool SetRowLevel(RowLevel level);

extern std::atomic<RowLevel> gRowLevel;

inline RowLevel CurrentRowLevel()
{
    return gRowLevel.load(std::memory_order_relaxed);
}

} // namespace Vorn::SWTri
