#pragma once
// Music through the alternative music library: songs decoded whole from Ogg
// Vorbis into samples, cached as plain WAV files, each played on the channel
// numbered by its song id. Tracker songs are not loadable. The unload and
// whole-set pause operations are the silent base's.

#include "framework/sound/MusicInterface.h"

#include <cstdint>
#include <map>
#include <memory>

namespace Platform {
class SampleEngine;
}

namespace Vorn {

struct FModSong {
    uint32_t mSample = 0;
    double mVolume = 0.0;
    double mVolumeStep = 0.0;
    double mMaxVolume = 1.0;
    bool mStopWhenDone = false;
    bool mLoop = false;
};

class FModMusicInterface : public MusicInterface {
public:
    // Shares the library the sound manager started.
    FModMusicInterface();
    ~FModMusicInterface() override;

    bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    // Also on a silent song: the next Update then stops it.
    void FadeOut(int songId, bool stopAtEnd, double speed) override;
    void FadeOutAll(bool stopAtEnd, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void Update() override;

    // The first song, then the second looping after it for ever (when
    // `loop` is set); both must share rate and mode.
    virtual bool LoadSongVariant(int songId, const std::string& firstName, const std::string& secondName, bool loop);
    // `name` + ".ogg", or its cache.
    virtual bool LoadSongDecoded(int songId, const std::string& name, bool loop);

    // The sample of `name` + ".ogg", from the cache file of its file name
    // when there is one (not checked against its source), else decoded and
    // cached. 0 when it cannot be read.
    uint32_t DecodeSong(const std::string& name);

    std::map<int, FModSong> mSongs;
    double mMasterVolume = 1.0;
    std::shared_ptr<Platform::SampleEngine> mFMod;

private:
    FModSong* Find(int songId);
    void ApplyVolume(int songId, const FModSong& song);
    void StartSample(int songId, const FModSong& song);
    // Keeps a song already under the id, freeing the new sample.
    void Insert(int songId, uint32_t sample, bool loop);
};

} // namespace Vorn
