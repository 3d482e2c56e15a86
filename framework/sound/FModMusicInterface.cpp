#include "framework/sound/FModMusicInterface.h"

#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "framework/sound/WavWriter.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/SampleEngine.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Vorn {

namespace {

Platform::PcmFormat FormatOf(uint32_t mode, int frequency)
{
    return {static_cast<uint16_t>((mode & Platform::kSampleMono) ? 1 : 2), static_cast<uint32_t>(frequency),
            static_cast<uint16_t>((mode & Platform::kSample8Bits) ? 8 : 16)};
}

} // namespace

FModMusicInterface::FModMusicInterface() : mFMod(Platform::SampleEngine::Acquire()) {}

FModMusicInterface::~FModMusicInterface() = default;

FModSong* FModMusicInterface::Find(int songId)
{
    const auto found = mSongs.find(songId);
    return found == mSongs.end() ? nullptr : &found->second;
}

void FModMusicInterface::ApplyVolume(int songId, const FModSong& song)
{
    const int volume = VolumePercent(song.mVolume * mMasterVolume);
    if (song.mSong != 0)
        mFMod->MusicSetMasterVolume(song.mSong, volume);
    else
        mFMod->SetVolume(songId, volume);
}

void FModMusicInterface::StartSample(int songId, const FModSong& song)
{
    mFMod->PlaySound(songId, song.mSample);
    mFMod->SetLoopMode(songId, song.mLoop ? Platform::kLoopNormal : Platform::kLoopOff);
}

void FModMusicInterface::Stop(int songId, FModSong& song)
{
    song.mVolume = 0.0;
    if (song.mSong != 0)
        mFMod->MusicStopSong(song.mSong);
    else
        mFMod->StopSound(songId);
}

void FModMusicInterface::Insert(int songId, uint32_t sample, bool loop)
{
    if (!mSongs.try_emplace(songId, FModSong{sample, 0, 0.0, 0.0, 1.0, false, loop}).second)
        mFMod->SampleFree(sample);
}

bool FModMusicInterface::LoadMusic(int songId, const std::string& fileName)
{
    const uint32_t song = mFMod->MusicLoadSong(fileName);
    if (song == 0)
        return false;
    // A song already under the id stays; the new one is not kept.
    if (!mSongs.try_emplace(songId, FModSong{0, song}).second)
        mFMod->MusicFreeSong(song);
    return true;
}

bool FModMusicInterface::LoadSongDecoded(int songId, const std::string& name, bool loop)
{
    const uint32_t sample = DecodeSong(name);
    if (sample == 0)
        return false;
    Insert(songId, sample, loop);
    return true;
}

bool FModMusicInterface::LoadSongVariant(int songId, const std::string& firstName, const std::string& secondName,
                                         bool loop)
{
    const uint32_t first = DecodeSong(firstName);
    const uint32_t second = DecodeSong(secondName);
    // Whatever was decoded is freed on every way out.
    const auto freeParts = [&] {
        mFMod->SampleFree(first);
        mFMod->SampleFree(second);
    };
    if (first == 0 || second == 0) {
        freeParts();
        return false;
    }
    int firstRate = 0, secondRate = 0;
    mFMod->SampleGetDefaults(first, &firstRate);
    mFMod->SampleGetDefaults(second, &secondRate);
    const uint32_t mode = mFMod->SampleGetMode(first);
    const uint64_t firstLength = mFMod->SampleGetLength(first);
    const uint64_t secondLength = mFMod->SampleGetLength(second);
    if (firstRate != secondRate || mode != mFMod->SampleGetMode(second) || firstLength + secondLength > UINT32_MAX) {
        freeParts();
        return false;
    }
    const uint32_t joined =
        mFMod->SampleAlloc(-1, static_cast<uint32_t>(firstLength + secondLength), mode | Platform::kSampleLoopNormal,
                           static_cast<uint32_t>(firstRate));
    if (joined == 0) {
        freeParts();
        return false;
    }
    const uint64_t frameBytes = FormatOf(mode, firstRate).BlockAlign();
    const uint32_t firstBytes = static_cast<uint32_t>(firstLength * frameBytes);
    const uint32_t secondBytes = static_cast<uint32_t>(secondLength * frameBytes);
    void* to = nullptr;
    void* unused = nullptr;
    uint32_t toLength = 0, unusedLength = 0;
    if (mFMod->SampleLock(joined, 0, firstBytes + secondBytes, &to, &unused, &toLength, &unusedLength)) {
        const auto copy = [&](uint32_t part, uint32_t bytes, uint32_t at) {
            void* from = nullptr;
            uint32_t fromLength = 0;
            if (!mFMod->SampleLock(part, 0, bytes, &from, &unused, &fromLength, &unusedLength))
                return;
            std::memcpy(static_cast<uint8_t*>(to) + at, from, std::min({fromLength, bytes, toLength - at}));
            mFMod->SampleUnlock(part);
        };
        copy(first, firstBytes, 0);
        copy(second, secondBytes, firstBytes);
        mFMod->SampleUnlock(joined);
    }
    freeParts();
    mFMod->SampleSetLoopPoints(joined, static_cast<uint32_t>(firstLength),
                               static_cast<uint32_t>(firstLength + secondLength));
    Insert(songId, joined, loop);
    return true;
}

uint32_t FModMusicInterface::DecodeSong(const std::string& name)
{
    const std::string cachePath = GetAppDataFolder() + "cached\\" + GetFileNameNoExtension(name) + ".wav";
    MakeDirectories(GetFileDir(cachePath));
    if (const uint32_t cached = mFMod->SampleLoad(-1, cachePath, 0))
        return cached;
    const uint32_t sample = mFMod->SampleLoad(-1, name + ".ogg", 0);
    if (sample == 0)
        return 0;
    int rate = 0;
    mFMod->SampleGetDefaults(sample, &rate);
    const Platform::PcmFormat format = FormatOf(mFMod->SampleGetMode(sample), rate);
    const uint64_t size = static_cast<uint64_t>(mFMod->SampleGetLength(sample)) * format.BlockAlign();
    void* data = nullptr;
    void* second = nullptr;
    uint32_t length = 0, secondLength = 0;
    if (!mFMod->SampleLock(sample, 0, static_cast<uint32_t>(size), &data, &second, &length, &secondLength))
        return sample;
    const uint32_t bytes = static_cast<uint32_t>(std::min<uint64_t>(length, size));
    std::vector<uint8_t> out;
    out.reserve(44 + bytes);
    PutWavHead(out, bytes + 36, format);
    PutTag(out, "data");
    PutLittle(out, bytes, 4);
    out.insert(out.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
    Platform::WriteFileAtomically(Platform::ResolveFileName(cachePath), out.data(), out.size());
    mFMod->SampleUnlock(sample);
    return sample;
}

void FModMusicInterface::PlayMusic(int songId, int offset, bool noLoop)
{
    FModSong* song = Find(songId);
    if (!song)
        return;
    song->mVolume = song->mMaxVolume;
    song->mVolumeStep = 0.0;
    if (song->mSong == 0) {
        StartSample(songId, *song);
        ApplyVolume(songId, *song);
        return;
    }
    ApplyVolume(songId, *song);
    mFMod->MusicSetLooping(song->mSong, noLoop ? Platform::kLoopOff : Platform::kLoopNormal);
    mFMod->MusicPlaySong(song->mSong);
    mFMod->MusicSetOrder(song->mSong, offset);
}

void FModMusicInterface::StopMusic(int songId)
{
    if (FModSong* song = Find(songId))
        Stop(songId, *song);
}

void FModMusicInterface::StopAllMusic()
{
    for (auto& [id, song] : mSongs)
        Stop(id, song);
}

void FModMusicInterface::SetPaused(int songId, bool paused)
{
    const FModSong* song = Find(songId);
    if (!song)
        return;
    if (song->mSong != 0)
        mFMod->MusicSetPaused(song->mSong, paused);
    else
        mFMod->SetPaused(songId, paused);
}

void FModMusicInterface::PauseMusic(int songId)
{
    SetPaused(songId, true);
}

void FModMusicInterface::ResumeMusic(int songId)
{
    SetPaused(songId, false);
}

void FModMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop)
{
    FModSong* song = Find(songId);
    if (!song)
        return;
    song->mVolumeStep = speed;
    if (song->mSong == 0) {
        if (!mFMod->IsPlaying(songId))
            StartSample(songId, *song);
        ApplyVolume(songId, *song);
        return;
    }
    ApplyVolume(songId, *song);
    mFMod->MusicSetLooping(song->mSong, noLoop ? Platform::kLoopOff : Platform::kLoopNormal);
    if (!mFMod->MusicIsPlaying(song->mSong))
        mFMod->MusicPlaySong(song->mSong);
    if (offset != -1)
        mFMod->MusicSetOrder(song->mSong, offset);
}

void FModMusicInterface::FadeOut(int songId, bool stopAtEnd, double speed)
{
    FModSong* song = Find(songId);
    if (!song)
        return;
    song->mStopWhenDone = stopAtEnd;
    song->mVolumeStep = -speed;
}

void FModMusicInterface::FadeOutAll(bool stopAtEnd, double speed)
{
    for (auto& [id, song] : mSongs) {
        song.mStopWhenDone = stopAtEnd;
        song.mVolumeStep = -speed;
    }
}

void FModMusicInterface::SetSongVolume(int songId, double volume)
{
    FModSong* song = Find(songId);
    if (!song)
        return;
    song->mVolume = volume;
    ApplyVolume(songId, *song);
}

bool FModMusicInterface::IsPlaying(int songId)
{
    const FModSong* song = Find(songId);
    if (!song)
        return false;
    return song->mSong != 0 ? mFMod->MusicIsPlaying(song->mSong) : mFMod->IsPlaying(songId);
}

void FModMusicInterface::SetVolume(double volume)
{
    mMasterVolume = volume;
    for (const auto& [id, song] : mSongs)
        ApplyVolume(id, song);
}

void FModMusicInterface::Update()
{
    for (auto& [id, song] : mSongs) {
        if (song.mVolumeStep == 0.0)
            continue;
        if (StepFade(song.mVolume, song.mVolumeStep, song.mMaxVolume) && song.mStopWhenDone)
            Stop(id, song);
        ApplyVolume(id, song);
    }
}

} // namespace Vorn
