#include "framework/sound/DSoundManager.h"

#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "framework/sound/DSoundInstance.h"
#include "platform/AudioOutput.h"
#include "platform/Clock.h"
#include "platform/SampleEngine.h"

#include <algorithm>
#include <cmath>

namespace Vorn {

namespace {

constexpr uint32_t kSweepInterval = 1000;

bool IsRelativeName(const std::string& name)
{
    return name.size() > 2 && name[0] != '\\' && name[0] != '/' && name[1] != ':';
}

} // namespace

DSoundManager::DSoundManager(Platform::Window* window, bool useFMod)
    : DSoundManager(window ? Platform::AcquireAudioOutput() : nullptr, useFMod)
{
}

DSoundManager::DSoundManager(std::shared_ptr<Platform::AudioMixer> output, bool useFMod)
    : mOutput(std::move(output)), mUseFMod(useFMod)
{
    mBaseVolumes.fill(1.0);
    if (mOutput && mUseFMod) {
        mFMod = Platform::SampleEngine::Acquire();
        mFMod->Init(mOutput);
    }
}

DSoundManager::~DSoundManager()
{
    ReleaseInstances();
    ReleaseSounds();
    if (mFMod)
        mFMod->Close();
}

bool DSoundManager::IsInitialized()
{
    return mOutput != nullptr;
}

int DSoundManager::LoadSoundByName(const std::string& name)
{
    int id = -1;
    {
        std::lock_guard lock(mSlotLock);
        const auto named = std::find(mSoundNames.begin(), mSoundNames.end(), name);
        if (named != mSoundNames.end())
            return static_cast<int>(named - mSoundNames.begin());
        for (int candidate = kMaxSounds - 1; candidate >= 0 && id < 0; --candidate) {
            if (!mSoundBuffers[candidate])
                id = candidate;
        }
    }
    if (id < 0 || !LoadSound(static_cast<unsigned int>(id), name))
        return -1;
    return id;
}

bool DSoundManager::LoadSound(unsigned int id, const std::string& name)
{
    if (id >= kMaxSounds)
        return false;
    ReleaseSound(id);
    if (!mOutput)
        return true;
    {
        std::lock_guard lock(mSlotLock);
        mSoundNames[id] = name;
    }

    std::string cachePath;
    if (IsRelativeName(name))
        cachePath = GetAppDataFolder() + "cached\\" + name + ".wav";
    if (!cachePath.empty()) {
        if (ReadWavFile(id, cachePath))
            return true;
        MakeDirectories(GetFileDir(cachePath));
    }
    if (ReadWavFile(id, name + ".wav"))
        return true;
    // A decoded sound is kept as a WAV file; failing to write it fails nothing.
    const auto cache = [&](const std::string& source) {
        WriteWavCache(cachePath, id, source);
        return true;
    };
    if (mUseFMod && ReadMp3File(id, name + ".mp3"))
        return cache(name + ".mp3");
    if (ReadOggFile(id, name + ".ogg"))
        return cache(name + ".ogg");
    if (ReadAuFile(id, name + ".au"))
        return cache(name + ".au");
    return false;
}

// Checked against the slots: an id from outside 0..255 names nothing.
void DSoundManager::ReleaseSound(unsigned int id)
{
    if (id >= kMaxSounds)
        return;
    std::lock_guard lock(mSlotLock);
    if (!mSoundBuffers[id])
        return;
    mSoundBuffers[id].reset();
    mSoundNames[id].clear();
}

void DSoundManager::SetVolume(double volume)
{
    mMasterVolume = volume;
    for (const auto& instance : mInstances) {
        if (instance)
            instance->ApplyVolume();
    }
}

bool DSoundManager::SetBaseVolume(unsigned int id, double volume)
{
    if (id >= kMaxSounds)
        return false;
    std::lock_guard lock(mSlotLock);
    mBaseVolumes[id] = volume;
    return true;
}

bool DSoundManager::SetBasePan(unsigned int id, int pan)
{
    if (id >= kMaxSounds)
        return false;
    std::lock_guard lock(mSlotLock);
    mBasePans[id] = pan;
    return true;
}

void DSoundManager::SweepReleasedInstances()
{
    for (auto& instance : mInstances) {
        if (instance && instance->IsReleased())
            instance.reset();
    }
}

SoundInstance* DSoundManager::GetSoundInstance(unsigned int id)
{
    if (id >= kMaxSounds)
        return nullptr;
    const uint32_t now = Platform::TickCount();
    if (now - mLastReleaseTick > kSweepInterval) {
        SweepReleasedInstances();
        mLastReleaseTick = now;
    }
    const auto slot = std::find_if(mInstances.begin(), mInstances.end(),
                                   [](const auto& instance) { return !instance || instance->IsReleased(); });
    if (slot == mInstances.end())
        return nullptr;
    slot->reset();

    std::lock_guard lock(mSlotLock);
    if (mOutput && !mSoundBuffers[id])
        return nullptr;
    *slot = std::make_unique<DSoundInstance>(this, mSoundBuffers[id].get());
    (*slot)->SetBasePan(mBasePans[id]);
    (*slot)->SetBaseVolume(mBaseVolumes[id]);
    return slot->get();
}

void DSoundManager::ReleaseSounds()
{
    std::lock_guard lock(mSlotLock);
    for (auto& buffer : mSoundBuffers)
        buffer.reset();
}

void DSoundManager::ReleaseInstances()
{
    for (auto& instance : mInstances)
        instance.reset();
}

double DSoundManager::GetMixerVolume()
{
    return Platform::GetLineVolume() / 65535.0;
}

void DSoundManager::SetMixerVolume(double volume)
{
    const double scaled = std::isnan(volume) ? 0.0 : std::clamp(volume * 65535, 0.0, 65535.0);
    Platform::SetLineVolume(static_cast<uint32_t>(scaled));
}

// The output is the process's own, not tied to a window.
void DSoundManager::SetCooperativeWindow(Platform::Window*, bool) {}

void DSoundManager::StopAllSounds()
{
    for (const auto& instance : mInstances) {
        if (!instance)
            continue;
        const bool autoRelease = instance->mAutoRelease;
        instance->Stop();
        instance->mAutoRelease = autoRelease;
    }
}

int DSoundManager::GetFreeSoundId()
{
    std::lock_guard lock(mSlotLock);
    const auto free = std::find(mSoundBuffers.begin(), mSoundBuffers.end(), nullptr);
    return free == mSoundBuffers.end() ? -1 : static_cast<int>(free - mSoundBuffers.begin());
}

int DSoundManager::GetNumSounds()
{
    std::lock_guard lock(mSlotLock);
    return static_cast<int>(std::count_if(mSoundBuffers.begin(), mSoundBuffers.end(),
                                          [](const auto& buffer) { return buffer != nullptr; }));
}

int DSoundManager::VolumeToAttenuation(double volume)
{
    if (!(volume > 0.0))
        return Platform::kSilence;
    const double exact = (std::log10(volume * 9 + 1) - 1) * 2333;
    if (exact >= 0.0)
        return Platform::kFullVolume;
    // Above -2333 for any positive volume; the truncated value decides.
    const int attenuation = static_cast<int>(exact);
    return attenuation < -2000 ? Platform::kSilence : attenuation;
}

} // namespace Vorn
