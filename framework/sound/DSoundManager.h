#pragma once
// The sound manager the application makes. Without a window (sound switched
// off) no device is opened and every call is harmless: nothing loads, no
// instance is handed out.

#include "framework/sound/SoundManager.h"

namespace Vorn {

class DSoundManager : public SoundManager {
public:
    // useFMod: MP3 files are decoded through the alternative music library.
    DSoundManager(Platform::Window* window, bool useFMod);

    bool IsInitialized() override;
    int LoadSoundByName(const std::string& name) override;
    bool LoadSound(unsigned int id, const std::string& name) override;
    void ReleaseSound(unsigned int id) override;
    void SetVolume(double volume) override;
    bool SetBaseVolume(unsigned int id, double volume) override;
    bool SetBasePan(unsigned int id, int pan) override;
    SoundInstance* GetSoundInstance(unsigned int id) override;
    void ReleaseSounds() override;
    void ReleaseInstances() override;
    double GetMixerVolume() override;
    void SetMixerVolume(double volume) override;
    void SetCooperativeWindow(Platform::Window* window, bool windowed) override;
    void StopAllSounds() override;
    int GetFreeSoundId() override;
    int GetNumSounds() override;

    double mMasterVolume = 1.0;
    double mMixerVolume = 1.0;
    bool mUseFMod;
};

} // namespace Vorn
