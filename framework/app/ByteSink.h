#pragma once
// Where a writer that must not allocate puts its bytes: inside the crash
// catcher's signal handler, the demo file and the report handed to the
// reporter are written through one.

#include <cstddef>

namespace Vorn {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // False when the bytes could not be taken; the writer then stops.
    virtual bool Put(const void* data, size_t size) = 0;
};

} // namespace Vorn
