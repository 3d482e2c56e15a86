#include "framework/graphics/CelAnimation.h"

#include <cstddef>
#include <cstdint>

namespace Vorn {

void CelAnimation::SetPerFrameDelay(int frame, int delay)
{
    if (frame < 0)
        return;
    if (mPerFrameDelay.size() <= static_cast<std::size_t>(frame))
        mPerFrameDelay.resize(static_cast<std::size_t>(frame) + 1, 0);
    mPerFrameDelay[static_cast<std::size_t>(frame)] = delay;
}

void CelAnimation::Compute(int celCount, int beginDelay, int endDelay)
{
    mNumFrames = celCount < 1 ? 1 : celCount;
    if (mFrameDelay < 1)
        mFrameDelay = 1;

    if (mType == kPingPong && mNumFrames >= 2) {
        mFrameMap.assign(static_cast<std::size_t>(2 * mNumFrames - 2), 0);
        std::size_t at = 0;
        for (int cel = 0; cel < mNumFrames; ++cel)
            mFrameMap[at++] = cel;
        for (int cel = mNumFrames - 2; cel >= 1; --cel)
            mFrameMap[at++] = cel;
    }
    if (!mFrameMap.empty())
        mNumFrames = static_cast<int>(mFrameMap.size());

    if (beginDelay > 0)
        SetPerFrameDelay(0, beginDelay);
    if (endDelay > 0)
        SetPerFrameDelay(mNumFrames - 1, endDelay);

    if (!mPerFrameDelay.empty()) {
        mPerFrameDelay.resize(static_cast<std::size_t>(mNumFrames), 0);
        // Summed wide: delays come from the manifest and may be large.
        long long total = 0;
        for (int& delay : mPerFrameDelay) {
            if (delay < 1)
                delay = mFrameDelay;
            total += delay;
        }
        mTotalAnimTime = total > INT32_MAX ? INT32_MAX : static_cast<int>(total);
    } else {
        const long long total = static_cast<long long>(mNumFrames) * mFrameDelay;
        mTotalAnimTime = total > INT32_MAX ? INT32_MAX : static_cast<int>(total);
    }

    if (!mFrameMap.empty())
        mFrameMap.resize(static_cast<std::size_t>(mNumFrames));
}

} // namespace Vorn
