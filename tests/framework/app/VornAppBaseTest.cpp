#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/crash/CrashCatcher.h"
#include "framework/resources/ResourceManager.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using Testing::ScriptedApp;
using Testing::ScriptedClock;
using Vorn::VornAppBase;

struct TableEntry {
    size_t index;
    uint8_t value;
};

class SaturatingTableTest : public ::testing::TestWithParam<TableEntry> {};

TEST_P(SaturatingTableTest, HoldsTheSumOfTwoChannelsClampedTo255)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    EXPECT_EQ(app.mAdd8BitMaxTable.at(GetParam().index), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Entries, SaturatingTableTest,
                         ::testing::Values(TableEntry{0, 0}, TableEntry{200, 200}, TableEntry{255, 255},
                                           TableEntry{256, 255}, TableEntry{300, 255}, TableEntry{511, 255}));

struct DefaultText {
    const char* name;
    const char* text;
};

class DefaultTextTest : public ::testing::TestWithParam<DefaultText> {};

TEST_P(DefaultTextTest, IsStoredByTheConstructor)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    EXPECT_EQ(app.GetString(GetParam().name, "missing"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DefaultTextTest,
    ::testing::Values(
        DefaultText{"DIALOG_BUTTON_OK", "OK"}, DefaultText{"DIALOG_BUTTON_CANCEL", "CANCEL"},
        DefaultText{"UPDATE_CHECK_TITLE", "Update Check"},
        DefaultText{"UPDATE_CHECK_BODY", "Checking if there are any updates available for this product ..."},
        DefaultText{"UP_TO_DATE_TITLE", "Up to Date"},
        DefaultText{"UP_TO_DATE_BODY", "There are no updates available for this product at this time."},
        DefaultText{"NEW_VERSION_TITLE", "New Version"},
        DefaultText{"NEW_VERSION_BODY", "There is an update available for this product.  Would you like to visit "
                                        "the web site to download it?"}));

TEST(AppTexts, ALaterStoreReplacesTheText)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.SetString("DIALOG_BUTTON_OK", u"Fine");
    app.SetString("DIALOG_BUTTON_OK", u"Agreed");
    EXPECT_EQ(app.GetString("DIALOG_BUTTON_OK", "OK"), "Agreed");
}

TEST(AppTexts, AnUnknownNameGivesTheDefault)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    EXPECT_EQ(app.GetString("INVALID_COMMANDLINE_PARAM", "Invalid command line parameter: "),
              "Invalid command line parameter: ");
}

TEST(AppTexts, CharactersAbove127AreKeptAsTheirBytes)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    app.SetString("GREETING", u"Gr\u00fc\u00dfe");
    EXPECT_EQ(app.GetString("GREETING", ""), "Gr\xfc\xdf" "e");
}

TEST(AppObject, TakesItsTimesFromTheClockAndHandsItselfToItsManagers)
{
    ScriptedClock clock(5000);
    ScriptedApp app(clock);
    EXPECT_EQ(app.mLoadTime, 5000u);
    EXPECT_EQ(app.mLastDrawTick, 5000u);
    EXPECT_EQ(app.mNextDrawTick, 5000u);
    EXPECT_EQ(app.mAspect.mNumerator, 4);
    EXPECT_EQ(app.mAspect.mDenominator, 3);
    EXPECT_EQ(VornAppBase().mDemoFileName, "vornapp.dmo");
    EXPECT_EQ(app.mWidgetManager->mApp, &app);
    EXPECT_EQ(app.mResourceManager->mApp, &app);
}

TEST(AppObject, WorkingFolderIsTheProgramsFolder)
{
    ScriptedClock clock;
    ScriptedApp app(clock);
    const auto program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(app.mWorkingFolder, program.parent_path().string());
}

TEST(AppObject, GlobalPointersFollowTheObjectsLife)
{
    ASSERT_EQ(Vorn::gApplication, nullptr);
    ASSERT_EQ(Vorn::gCrashHandlerApp, nullptr);
    {
        ScriptedClock clock;
        ScriptedApp app(clock);
        EXPECT_EQ(Vorn::gApplication, &app);
        EXPECT_EQ(Vorn::gCrashHandlerApp, &app);
    }
    EXPECT_EQ(Vorn::gApplication, nullptr);
    EXPECT_EQ(Vorn::gCrashHandlerApp, nullptr);
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
