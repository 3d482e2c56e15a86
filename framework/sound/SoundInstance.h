#pragma once
// One playing copy of a loaded sound. Made by the sound manager; callers
// never delete it but let it go with Release.

namespace Vorn {

class SoundInstance {
public:
    virtual ~SoundInstance() = default;
    virtual void Release() = 0;
    virtual void SetBaseVolume(double volume) = 0;
    virtual void SetBasePan(int pan) = 0;
    // Semitones.
    virtual void ShiftPitch(double steps) = 0;
    // 0..1.
    virtual void SetVolume(double volume) = 0;
    // -10000..10000, added to the base pan.
    virtual void SetPan(int pan) = 0;
    virtual bool Play(bool looping, bool autoRelease) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() = 0;
    virtual bool IsReleased() = 0;
    virtual double GetVolume() = 0;
};

} // namespace Vorn
