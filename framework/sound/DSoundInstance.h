#pragma once
// One playing copy of a loaded sound: a duplicate of the sound's buffer,
// sharing its samples, with its own volume, pan, pitch and position. A silent
// instance (no source buffer, when the manager has no sound output) keeps its
// values and plays nothing.

#include "framework/sound/SoundInstance.h"

#include <cstdint>
#include <memory>

namespace Platform {
class SoundBuffer;
}

namespace Vorn {

class DSoundManager;

class DSoundInstance : public SoundInstance {
public:
    // Made only by the manager, which keeps it and deletes it.
    DSoundInstance(DSoundManager* manager, Platform::SoundBuffer* source);
    ~DSoundInstance() override;
    DSoundInstance(const DSoundInstance&) = delete;
    DSoundInstance& operator=(const DSoundInstance&) = delete;

    void Release() override;
    void SetBaseVolume(double volume) override;
    void SetBasePan(int pan) override;
    void ShiftPitch(double steps) override;
    void SetVolume(double volume) override;
    void SetPan(int pan) override;
    // Always from the beginning.
    bool Play(bool looping, bool autoRelease) override;
    // Rewinds and clears auto-release.
    void Stop() override;
    bool IsPlaying() override;
    // Releases an auto-release instance that has played to its end.
    bool IsReleased() override;
    double GetVolume() override;

    // (volume × base volume) × the manager's master volume, as attenuation.
    void ApplyVolume();
    // pan + base pan, held to -10000..10000.
    void ApplyPan();

    DSoundManager* mSoundManager;
    Platform::SoundBuffer* mSourceBuffer;
    std::unique_ptr<Platform::SoundBuffer> mDuplicateBuffer;
    bool mAutoRelease = false;
    bool mHasPlayed = false;
    bool mReleased = false;
    int mBasePan = 0;
    double mBaseVolume = 1.0;
    int mPan = 0;
    double mVolume = 1.0;
    uint32_t mBaseFrequency = 44100;
};

} // namespace Vorn
