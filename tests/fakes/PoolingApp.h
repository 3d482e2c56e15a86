#pragma once
// A scripted application with the sounds that resource loading asks for:
// sounds are loaded when the file layer can open them, and their base volume
// and pan are written down. Shared images are the application's own, on a
// display without a window.

#include "fakes/ScriptedApp.h"
#include "framework/display/DDInterface.h"
#include "framework/resources/PakInterface.h"
#include "framework/sound/DSoundManager.h"

#include <map>
#include <memory>
#include <string>

namespace Testing {

class FileSounds : public Vorn::DSoundManager {
public:
    FileSounds() : DSoundManager(nullptr, false) {}

    int GetFreeSoundId() override
    {
        for (int id = 0; id < 256; ++id) {
            if (!mLoaded.contains(id))
                return id;
        }
        return -1;
    }
    bool LoadSound(unsigned int id, const std::string& name) override
    {
        Vorn::PakFileHandle* file = Vorn::PakFOpen(name.c_str());
        if (file)
            Vorn::PakFClose(file);
        if (file)
            mLoaded[static_cast<int>(id)] = name;
        return file != nullptr;
    }
    void ReleaseSound(unsigned int id) override { mLoaded.erase(static_cast<int>(id)); }
    bool SetBaseVolume(unsigned int id, double volume) override
    {
        mBaseVolume[static_cast<int>(id)] = volume;
        return true;
    }
    bool SetBasePan(unsigned int id, int pan) override
    {
        mBasePan[static_cast<int>(id)] = pan;
        return true;
    }

    std::map<int, std::string> mLoaded;
    std::map<int, double> mBaseVolume;
    std::map<int, int> mBasePan;
};

// Made before the application, which keeps a reference to its clock.
struct OwnClock {
    ScriptedClock mOwnClock;
};

class PoolingApp : private OwnClock, public ScriptedApp {
public:
    PoolingApp() : ScriptedApp(mOwnClock)
    {
        auto sounds = std::make_unique<FileSounds>();
        mSounds = sounds.get();
        mSoundManager = std::move(sounds);
        mDDInterface = std::make_unique<Vorn::DDInterface>(this);
    }

    FileSounds* mSounds;
};

} // namespace Testing
