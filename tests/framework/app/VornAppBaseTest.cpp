#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/crash/CrashCatcher.h"
#include "framework/resources/ResourceManager.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Vorn::VornAppBase;

TEST(AppObject, SaturatingTableHoldsTheSumOfTwoChannelsClampedTo255)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    for (size_t i = 0; i < app.mAdd8BitMaxTable.size(); ++i)
        EXPECT_EQ(app.mAdd8BitMaxTable[i], std::min<size_t>(i, 255)) << i;
}

// Notes what still held when the application destroyed its widget manager.
class WitnessManager : public Vorn::WidgetManager {
public:
    struct Seen {
        bool crashPointerSet = true;
        bool appPointerSet = false;
        bool loadingFinished = false;
    };

    WitnessManager(VornAppBase* app, Seen* seen) : WidgetManager(app), mSeen(seen) {}
    ~WitnessManager() override
    {
        mSeen->crashPointerSet = Vorn::gCrashHandlerApp != nullptr;
        mSeen->appPointerSet = Vorn::gApplication != nullptr;
        mSeen->loadingFinished = mApp->mLoadingThreadFinished;
    }

private:
    Seen* mSeen;
};

TEST(AppObject, CrashPointerIsClearedBeforeTeardownAndTheAppPointerAfter)
{
    WitnessManager::Seen seen;
    {
        ScriptedClock clock;
        ScriptedApp app(clock);
        app.mWidgetManager = std::make_unique<WitnessManager>(&app, &seen);
    }
    EXPECT_FALSE(seen.crashPointerSet);
    EXPECT_TRUE(seen.appPointerSet);
    EXPECT_EQ(Vorn::gApplication, nullptr);
}

TEST(AppObject, DestructionWaitsForTheLoadingThreadBeforeFreeingWhatItUses)
{
    WitnessManager::Seen seen;
    auto app = std::make_unique<VornAppBase>();
    app->mWidgetManager = std::make_unique<WitnessManager>(app.get(), &seen);
    app->mLoadingThreadStarted = true;
    std::thread loading([flag = &app->mLoadingThreadFinished] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        *flag = true;
    });
    app.reset();
    loading.join();
    EXPECT_TRUE(seen.loadingFinished);
}

TEST(AppObject, DestroyingWithoutInitIsClean)
{
    ScriptedClock clock;
    auto app = std::make_unique<ScriptedApp>(clock);
    app->SetDemoMode(Vorn::DemoMode::Playing);
    app->mSaveSettingsAtShutdown = true;
    app.reset();
    EXPECT_EQ(Vorn::gApplication, nullptr);
}

TEST(AppObject, OpenDialogsAndQueuedWidgetsAreDeletedWithTheApplication)
{
    ScriptedClock clock;
    auto app = std::make_unique<ScriptedApp>(clock);
    app->OpenDialog(1, false, "Header", "Lines", "Footer", 2);
    app->OpenDialog(2, true, "Header", "Lines", "Footer", 1);
    app->QueueWidgetDeletion(new Vorn::Widget);
    EXPECT_EQ(app->GetDialogCount(), 2);
    // Leak-checked under the sanitizers.
    app.reset();
}

} // namespace
