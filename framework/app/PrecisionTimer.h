#pragma once
// Elapsed wall time in milliseconds from the performance counter; the
// frame-rate display measures its frames with one.

#include <cstdint>

namespace Vorn {

class PrecisionTimer {
public:
    // Restarts the measurement when already running: no history is kept.
    void Start();
    // Freezes the duration; does nothing when not running.
    void Stop();
    // Milliseconds up to now while running, else up to the last stop (0.0
    // for a timer never started).
    double GetDuration();

private:
    void UpdateDuration();

    int64_t mStart = 0;
    double mDuration = 0.0;
    bool mRunning = false;
};

} // namespace Vorn
