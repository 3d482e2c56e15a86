#pragma once
// The sound manager the application makes: 256 loaded sounds, each a buffer
// of the process's audio output filled once from a sound file, and 32 playing
// instances. Without a window (sound switched off), or when no audio device
// can be opened, the manager has no output: loads succeed without loading,
// instances are silent and volumes are only stored.
//
// Sounds load on whichever thread loads a resource group while the main
// thread plays others: the per-id slots are guarded by one lock. Instances
// live on the main thread only.

#include "framework/sound/SoundManager.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace Platform {
class AudioMixer;
class SampleEngine;
class SoundBuffer;
struct PcmFormat;
} // namespace Platform

namespace Vorn {

class DSoundInstance;

inline constexpr unsigned int kMaxSounds = 256;
inline constexpr unsigned int kMaxSoundInstances = 32;
// The one-byte key scrambling cached samples (the archive's own key).
inline constexpr uint8_t kSoundCacheKey = 0x6B;
// Decoded Ogg and MP3 sounds larger than this are refused.
inline constexpr uint64_t kMaxDecodedSoundBytes = 64u << 20;

class DSoundManager : public SoundManager {
public:
    // useFMod: MP3 files are decoded through the alternative music library,
    // which starts with the manager.
    DSoundManager(Platform::Window* window, bool useFMod);
    // Over a given output, or none when it is null.
    DSoundManager(std::shared_ptr<Platform::AudioMixer> output, bool useFMod);
    ~DSoundManager() override;
    DSoundManager(const DSoundManager&) = delete;
    DSoundManager& operator=(const DSoundManager&) = delete;

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
    // The stored line volume, 0..1.
    double GetMixerVolume() override;
    // volume × 65535, held to 0..65535 (not a number: 0).
    void SetMixerVolume(double volume) override;
    void SetCooperativeWindow(Platform::Window* window, bool windowed) override;
    void StopAllSounds() override;
    int GetFreeSoundId() override;
    int GetNumSounds() override;

    // Hundredths of a decibel: trunc((log10(v × 9 + 1) - 1) × 2333), -10000
    // below -2000, for v ≤ 0 and for not a number; never above 0.
    static int VolumeToAttenuation(double volume);

    // The readers fill an empty id from one file; on failure the id stays
    // empty. WAV, Ogg and AU files come through the file layer, MP3 files
    // from the disk through the alternative library.
    bool ReadWavFile(unsigned int id, const std::string& path);
    bool ReadMp3File(unsigned int id, const std::string& path);
    bool ReadOggFile(unsigned int id, const std::string& path);
    bool ReadAuFile(unsigned int id, const std::string& path);
    // Writes the id's sound as a scrambled WAV file recording the source's
    // time, replacing the cache file whole or not at all.
    bool WriteWavCache(const std::string& cachePath, unsigned int id, const std::string& sourcePath);
    // The source's last-write time as a Windows file time; for a source only
    // in an archive, the archive's; 0 when it exists nowhere.
    static uint64_t GetSourceFileTime(const std::string& path);

    std::shared_ptr<Platform::AudioMixer> mOutput;
    std::shared_ptr<Platform::SampleEngine> mFMod;
    std::mutex mSlotLock;
    std::array<std::unique_ptr<Platform::SoundBuffer>, kMaxSounds> mSoundBuffers;
    std::array<std::string, kMaxSounds> mSoundNames;
    std::array<uint32_t, kMaxSounds> mSoundDataSizes{};
    std::array<double, kMaxSounds> mBaseVolumes;
    std::array<int, kMaxSounds> mBasePans{};
    std::array<std::unique_ptr<DSoundInstance>, kMaxSoundInstances> mInstances;
    double mMasterVolume = 1.0;
    uint32_t mLastReleaseTick = 0;
    bool mUseFMod;

private:
    // A new buffer for `id`'s reader; null when the format is refused.
    std::unique_ptr<Platform::SoundBuffer> MakeBuffer(const Platform::PcmFormat& format, uint32_t size);
    void Install(unsigned int id, std::unique_ptr<Platform::SoundBuffer> buffer);
    void SweepReleasedInstances();
};

} // namespace Vorn
