#pragma once
// An application on scripted time that keeps a log of what its main loop
// did: "U" for each update, "D" for each draw. Draws count as presented
// frames. Its registry is a settings store in memory of its own, and a demo
// it records goes to a scratch file of its own unless the test names
// another file. Its windows are FakeWindows, and it claims its single
// instance in a folder of its own, so that tests running side by side do not
// meet there. Tests set the application's public fields to the situation
// they need and add behaviour through the hooks.

#include "fakes/FakeWindow.h"
#include "fakes/MemorySettingsStore.h"
#include "fakes/ScriptedClock.h"
#include "fakes/TempDir.h"
#include "framework/app/VornAppBase.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace Testing {

// A base of its own, made before the application and outliving it: the
// application's destructor may still save its settings and its demo. The
// scratch file is only named here, so that a test process that exits early
// (a death test) leaves nothing behind.
struct ScriptedSurroundings {
    ScriptedSurroundings()
    {
        static std::atomic<unsigned> count{0};
        const std::string name = "zarquel-demo-" + std::to_string(std::random_device{}()) + "-" +
                                 std::to_string(count++) + ".dmo";
        mDemoScratchFile = (std::filesystem::temp_directory_path() / name).string();
    }
    ~ScriptedSurroundings()
    {
        std::error_code ec;
        std::filesystem::remove(mDemoScratchFile, ec);
    }
    ScriptedSurroundings(const ScriptedSurroundings&) = delete;
    ScriptedSurroundings& operator=(const ScriptedSurroundings&) = delete;

    MemorySettingsStore mSettingsStore;
    std::string mDemoScratchFile;
    TempDir mInstanceDir;
};

class ScriptedApp : public ScriptedSurroundings, public Vorn::VornAppBase {
public:
    explicit ScriptedApp(ScriptedClock& clock)
        : VornAppBase(Platform::Services{&clock, &mSettingsStore}), mTestClock(clock)
    {
        mDemoFileName = mDemoScratchFile;
        mInstanceFolder = mInstanceDir.Path();
        mMakeWindow = [] { return std::make_unique<FakeWindow>(); };
        // Paced by the frame time unless a test asks for refresh pacing.
        mVSyncUpdates = false;
    }

    void RunOneUpdate() override
    {
        VornAppBase::RunOneUpdate();
        mLog.push_back("U");
        mMutedAtUpdate.push_back(IsMuted());
        if (mOnUpdate)
            mOnUpdate();
    }

    bool DrawDirty() override
    {
        mLog.push_back("D");
        mUpdateSinceDraw = false;
        mNothingDrawn = false;
        ++mDrawCount;
        if (mOnDraw)
            mOnDraw();
        return true;
    }

    void OnLoadingFinished() override
    {
        ++mHandOvers;
        mHandOverThread = std::this_thread::get_id();
    }

    int Count(const std::string& entry) const
    {
        int n = 0;
        for (const std::string& e : mLog)
            n += e == entry;
        return n;
    }

    // Steps the loop until the scripted clock has moved `ms` on; a cap on the
    // number of steps turns a loop that stopped sleeping into a failure
    // instead of a hang. A real loop that finds less than a millisecond left
    // to wait spins on the clock until time moves; here such a step costs
    // one millisecond, or scripted time would stand still.
    void RunFor(uint32_t ms, int maxSteps = 100000)
    {
        const uint32_t end = mTestClock.Milliseconds() + ms;
        for (int i = 0; i < maxSteps && static_cast<int32_t>(mTestClock.Milliseconds() - end) < 0; ++i) {
            const bool processing = mLoopState == kStateUpdate;
            const uint32_t before = mTestClock.Milliseconds();
            const size_t logged = mLog.size();
            StepLoopState(nullptr);
            if (processing && mTestClock.Milliseconds() == before && mLog.size() == logged)
                mTestClock.Advance(1);
        }
    }

    ScriptedClock& mTestClock;
    std::vector<std::string> mLog;
    std::vector<bool> mMutedAtUpdate;
    std::function<void()> mOnUpdate;
    std::function<void()> mOnDraw;
    int mHandOvers = 0;
    std::thread::id mHandOverThread;
};

} // namespace Testing
