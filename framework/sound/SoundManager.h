#pragma once
// Sound effects by id: up to 256 loaded sounds (ids 0..255) and 32 playing
// instances. The application holds its manager through this interface.

#include <string>

namespace Platform {
class Window;
}

namespace Vorn {

class SoundInstance;

class SoundManager {
public:
    virtual ~SoundManager() = default;
    virtual bool IsInitialized() = 0;
    // The new sound's id, or -1.
    virtual int LoadSoundByName(const std::string& name) = 0;
    virtual bool LoadSound(unsigned int id, const std::string& name) = 0;
    virtual void ReleaseSound(unsigned int id) = 0;
    // Master volume of all effects, 0..1.
    virtual void SetVolume(double volume) = 0;
    virtual bool SetBaseVolume(unsigned int id, double volume) = 0;
    virtual bool SetBasePan(unsigned int id, int pan) = 0;
    // Null when no instance slot is free or the id holds no sound.
    virtual SoundInstance* GetSoundInstance(unsigned int id) = 0;
    virtual void ReleaseSounds() = 0;
    virtual void ReleaseInstances() = 0;
    virtual double GetMixerVolume() = 0;
    virtual void SetMixerVolume(double volume) = 0;
    // Re-attaches the device after the main window was made anew.
    virtual void SetCooperativeWindow(Platform::Window* window, bool windowed) = 0;
    virtual void StopAllSounds() = 0;
    // A free id, or -1.
    virtual int GetFreeSoundId() = 0;
    virtual int GetNumSounds() = 0;
};

} // namespace Vorn
