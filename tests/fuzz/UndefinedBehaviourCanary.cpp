// Not a fuzz target: proof that the fuzz build stops on undefined behaviour.
// Any input overflows a signed int; `make test` requires this program to
// fail with a sanitizer report, so that a build whose sanitizers only warn
// cannot pass the fuzzing step unnoticed.

#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    volatile int most = INT_MAX;
    const int sum = most + static_cast<int>(size > 0 ? data[0] | 1 : 1);
    return sum == 0 ? 1 : 0;
}
