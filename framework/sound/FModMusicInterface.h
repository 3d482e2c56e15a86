#pragma once
// Music through the alternative music library: tracker songs opened from the
// disk, and songs decoded whole from Ogg Vorbis into samples, cached as plain
// WAV files, each played on the channel numbered by its song id. The unload,
// whole-set pause, maximum volume and amplification operations are the
// silent base's.

#include "framework/sound/MusicInterface.h"

#include <cstdint>
#include <map>
#include <memory>

namespace Platform {
class SampleEngine;
}

namespace Vorn {

struct FModSong {
    // One of the two is 0: a sample song or a tracker song.
    uint32_t mSample = 0;
    uint32_t mSong = 0;
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

    // A tracker song from the disk.
    bool LoadMusic(int songId, const std::string& fileName) override;
    // A tracker song starts at the order `offset` (from its first order when
    // it has no such order), looping unless `noLoop`; a sample song from its
    // start, as its loop flag says.
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
    // A tracker song playing or paused; a sample song's own channel.
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
    void Stop(int songId, FModSong& song);
    void SetPaused(int songId, bool paused);
    // Keeps a song already under the id, freeing the new sample.
    void Insert(int songId, uint32_t sample, bool loop);
};

} // namespace Vorn
