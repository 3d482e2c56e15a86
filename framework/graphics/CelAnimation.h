#pragma once
// How the cels of an image form an animation: frame order and per-frame
// delays, filled from the resource manifest.

#include <vector>

namespace Vorn {

class CelAnimation {
public:
    enum Type { kNone = 0, kOnce = 1, kPingPong = 2, kLoop = 3 };

    // Grows the delays (new entries 0) to reach `frame`; a negative frame does
    // nothing.
    void SetPerFrameDelay(int frame, int delay);
    // Completes the record: frame count, ping-pong frame map, begin and end
    // delays, total time.
    void Compute(int celCount, int beginDelay, int endDelay);

    int mType = kNone;
    int mFrameDelay = 1;
    int mNumFrames = 1;
    std::vector<int> mPerFrameDelay;
    std::vector<int> mFrameMap;
    int mTotalAnimTime = 0;
};

} // namespace Vorn
