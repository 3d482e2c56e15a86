#pragma once
// The game application on scripted time, in a fake window, running in the
// folder the build made the game's data in. Its registry is in memory, its
// single instance is claimed in a folder of its own, its sounds are loaded
// from the archive as names only and its music is a log: each sound played
// and each music call is written down. Init makes the process's working
// folder the game's; the guard puts it back.

#include "GameDataFolder.h"
#include "fakes/CurrentPathGuard.h"
#include "fakes/FakeWindow.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/resources/PakInterface.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/MusicInterface.h"
#include "game/GameApp.h"
#include "game/PhysicsWorld.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Testing {

// Sounds load when the archive holds the manifest's name as a WAV file.
class ArchiveSounds : public Vorn::DSoundManager {
public:
    ArchiveSounds() : DSoundManager(nullptr, false) {}

    int GetFreeSoundId() override { return static_cast<int>(mLoaded.size()); }
    bool LoadSound(unsigned int id, const std::string& name) override
    {
        Vorn::PakFileHandle* file = Vorn::PakFOpen((name + ".wav").c_str(), "rb");
        if (!file)
            return false;
        Vorn::PakFClose(file);
        mLoaded[static_cast<int>(id)] = name;
        return true;
    }

    std::map<int, std::string> mLoaded;
};

class MusicLog : public Vorn::MusicInterface {
public:
    explicit MusicLog(std::vector<std::string>& log) : mLog(log) {}

    bool LoadMusic(int songId, const std::string& fileName) override
    {
        mLog.push_back("load " + std::to_string(songId) + " " + fileName);
        return mLoads;
    }
    void FadeIn(int songId, int offset, double speed, bool noLoop) override
    {
        char text[80];
        std::snprintf(text, sizeof text, "fade in %d %d %g %d", songId, offset, speed, noLoop);
        mLog.push_back(text);
    }

    std::vector<std::string>& mLog;
    bool mLoads = true;
};

struct GameSurroundings : ScriptedSurroundings {
    CurrentPathGuard mPathGuard;
    ScriptedClock mScriptedClock;
    // As in the program, it outlives the application and every board.
    PhysicsWorld mPhysics;
};

class TestGameApp : public GameSurroundings, public GameApp {
public:
    explicit TestGameApp(std::vector<std::string> arguments = {})
        : GameApp(Platform::Services{&mScriptedClock, &mSettingsStore})
    {
        mDemoFileName = mDemoScratchFile;
        mInstanceFolder = mInstanceDir.Path();
        mWorkingFolder = kGameFolder;
        mMakeWindow = [this] {
            auto window = std::make_unique<FakeWindow>();
            mWindow = window.get();
            return window;
        };
        auto sounds = std::make_unique<ArchiveSounds>();
        mSounds = sounds.get();
        mSoundManager = std::move(sounds);
        std::vector<const char*> argv = {"zarquel"};
        for (const std::string& argument : arguments)
            argv.push_back(argument.c_str());
        SetCommandLine(static_cast<int>(argv.size()), argv.data());
    }

    std::unique_ptr<Vorn::MusicInterface> CreateMusicInterface(Platform::Window*) override
    {
        auto music = std::make_unique<MusicLog>(mMusicCalls);
        mMusic = music.get();
        return music;
    }
    void PlaySoundById(int id) override
    {
        mPlayed.push_back(id);
        GameApp::PlaySoundById(id);
    }
    void ShowFatalError(const std::string& text) override
    {
        mFatalErrors.push_back(text);
        std::fprintf(stderr, "fatal %s\n", text.c_str());
    }

    // Runs the loading body here and waits for nothing: as the loading thread
    // would have, before the loop's next update.
    void LoadLikeTheLoadingThread()
    {
        mLoadingThreadStarted = true;
        RunLoadingThread();
        mLoadingThreadFinished = true;
    }

    // Steps the loop until `updates` more updates ran or it shut down; a step
    // that neither slept nor updated moves the clock on by a millisecond.
    void RunUpdates(int updates)
    {
        const int32_t until = mUpdateCount + updates;
        for (int i = 0; i < 100000 && !mShutdown && mUpdateCount < until; ++i) {
            const uint32_t before = mScriptedClock.Milliseconds();
            const int32_t count = mUpdateCount;
            StepLoopState(nullptr);
            if (mScriptedClock.Milliseconds() == before && mUpdateCount == count)
                mScriptedClock.Advance(1);
        }
    }

    FakeWindow* mWindow = nullptr;
    ArchiveSounds* mSounds = nullptr;
    MusicLog* mMusic = nullptr;
    std::vector<std::string> mMusicCalls;
    std::vector<int> mPlayed;
    std::vector<std::string> mFatalErrors;
};

} // namespace Testing
