#include "framework/sound/DSoundInstance.h"

#include "framework/sound/DSoundManager.h"
#include "platform/AudioMixer.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

namespace {

constexpr double kSemitone = 1.0594630943592953;

} // namespace

DSoundInstance::DSoundInstance(DSoundManager* manager, Platform::SoundBuffer* source)
    : mSoundManager(manager), mSourceBuffer(source)
{
    if (mSourceBuffer) {
        mDuplicateBuffer = mSourceBuffer->Duplicate();
        mBaseFrequency = mDuplicateBuffer->GetFrequency();
    }
    ApplyVolume();
}

DSoundInstance::~DSoundInstance() = default;

void DSoundInstance::Release()
{
    Stop();
    mReleased = true;
}

void DSoundInstance::SetBaseVolume(double volume)
{
    mBaseVolume = volume;
    ApplyVolume();
}

void DSoundInstance::SetBasePan(int pan)
{
    mBasePan = pan;
    ApplyPan();
}

void DSoundInstance::ShiftPitch(double steps)
{
    if (!mDuplicateBuffer)
        return;
    // Not a number would reach the buffer as garbage: it shifts nothing.
    if (std::isnan(steps))
        steps = 0.0;
    const double frequency =
        std::clamp(std::pow(kSemitone, steps) * mBaseFrequency, static_cast<double>(Platform::kMinFrequency),
                   static_cast<double>(Platform::kMaxFrequency));
    mDuplicateBuffer->SetFrequency(static_cast<uint32_t>(frequency));
}

void DSoundInstance::SetVolume(double volume)
{
    mVolume = volume;
    ApplyVolume();
}

void DSoundInstance::SetPan(int pan)
{
    mPan = pan;
    ApplyPan();
}

bool DSoundInstance::Play(bool looping, bool autoRelease)
{
    Stop();
    mHasPlayed = true;
    mAutoRelease = autoRelease;
    if (!mDuplicateBuffer)
        return false;
    mDuplicateBuffer->Play(looping);
    return true;
}

void DSoundInstance::Stop()
{
    if (!mDuplicateBuffer)
        return;
    mDuplicateBuffer->Stop();
    mDuplicateBuffer->SetCurrentPosition(0);
    mAutoRelease = false;
}

bool DSoundInstance::IsPlaying()
{
    return mHasPlayed && mDuplicateBuffer && mDuplicateBuffer->IsPlaying();
}

bool DSoundInstance::IsReleased()
{
    if (!mReleased && mAutoRelease && mHasPlayed && !IsPlaying())
        Release();
    return mReleased;
}

double DSoundInstance::GetVolume()
{
    return mVolume;
}

void DSoundInstance::ApplyVolume()
{
    if (mDuplicateBuffer)
        mDuplicateBuffer->SetVolume(
            DSoundManager::VolumeToAttenuation((mVolume * mBaseVolume) * mSoundManager->mMasterVolume));
}

// Summed wide: two ints near their limits must not wrap into the other side.
void DSoundInstance::ApplyPan()
{
    if (mDuplicateBuffer)
        mDuplicateBuffer->SetPan(static_cast<int>(std::clamp<int64_t>(
            static_cast<int64_t>(mPan) + mBasePan, Platform::kPanFarLeft, Platform::kPanFarRight)));
}

} // namespace Vorn
