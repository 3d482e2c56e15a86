#pragma once
// Time that moves only when the code under test sleeps or the test advances
// it, so a main loop can be run through any stall or pace deterministically.

#include "platform/Clock.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace Testing {

class ScriptedClock final : public Platform::Clock {
public:
    explicit ScriptedClock(uint32_t start = 100000) : mNow(start) {}

    uint32_t Milliseconds() override { return mNow.load(); }

    void Sleep(uint32_t ms) override
    {
        {
            std::lock_guard lock(mMutex);
            mSleeps.push_back(ms);
        }
        mNow += ms;
    }

    void Advance(uint32_t ms) { mNow += ms; }
    void Set(uint32_t now) { mNow = now; }

    // Every Sleep asked for so far, in order.
    std::vector<uint32_t> Sleeps() const
    {
        std::lock_guard lock(mMutex);
        return mSleeps;
    }

    void ForgetSleeps()
    {
        std::lock_guard lock(mMutex);
        mSleeps.clear();
    }

private:
    std::atomic<uint32_t> mNow;
    mutable std::mutex mMutex;
    std::vector<uint32_t> mSleeps;
};

} // namespace Testing
