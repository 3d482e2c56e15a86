#include "framework/sound/BassMusicInterface.h"

#include "framework/app/StringUtils.h"
#include "framework/resources/PakInterface.h"
#include "platform/AudioDecoder.h"
#include "platform/AudioOutput.h"
#include "platform/MusicEngine.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace Vorn {

BassMusicInterface::BassMusicInterface(Platform::Window*) : BassMusicInterface(Platform::AcquireAudioOutput()) {}

BassMusicInterface::BassMusicInterface(std::shared_ptr<Platform::AudioMixer> output)
    : mEngine(std::make_unique<Platform::MusicEngine>(std::move(output)))
{
}

BassMusicInterface::~BassMusicInterface() = default;

BassSong* BassMusicInterface::Find(int songId)
{
    const auto found = mSongs.find(songId);
    return found == mSongs.end() ? nullptr : &found->second;
}

void BassMusicInterface::SetChannelVolume(const BassSong& song)
{
    mEngine->ChannelSetAttributes(song.Channel(), Platform::kKeepFrequency, VolumePercent(song.mVolume),
                                  Platform::kKeepPan);
}

uint32_t BassMusicInterface::LoadModule(const std::string& fileName)
{
    PakFileHandle* file = PakFOpen(fileName.c_str());
    if (!file)
        return 0;
    std::vector<uint8_t> block;
    bool whole = false;
    if (PakFSeek(file, 0, SEEK_END) == 0) {
        const long size = PakFTell(file);
        // A length the file layer cannot tell, or one past the cap, is not
        // read; a short read is not played.
        if (size > 0 && static_cast<uint64_t>(size) <= Platform::kMaxAudioFileBytes
            && PakFSeek(file, 0, SEEK_SET) == 0) {
            block.resize(static_cast<size_t>(size));
            whole = PakFRead(block.data(), 1, block.size(), file) == block.size();
        }
    }
    PakFClose(file);
    return whole ? mEngine->MusicLoad(block.data(), block.size(), Platform::kChannelLoop) : 0;
}

void BassMusicInterface::Free(const BassSong& song)
{
    if (song.mStream != 0)
        mEngine->StreamFree(song.mStream);
    else
        mEngine->MusicFree(song.mModule);
}

bool BassMusicInterface::LoadMusic(int songId, const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : StringToLower(fileName.substr(dot + 1));
    BassSong song;
    if (extension == "wav" || extension == "ogg" || extension == "mp3")
        song.mStream = mEngine->StreamCreateFile(fileName);
    else
        song.mModule = LoadModule(fileName);
    if (song.Channel() == 0)
        return false;
    // A song already under the id stays; the new one is not kept.
    if (!mSongs.try_emplace(songId, song).second)
        Free(song);
    return true;
}

void BassMusicInterface::StartStream(const BassSong& song, int offset, bool noLoop)
{
    mEngine->ChannelSetFlags(song.mStream, noLoop ? 0 : Platform::kChannelLoop);
    mEngine->ChannelPlay(song.mStream, offset != -1);
    if (offset > 0)
        mEngine->ChannelSetPosition(song.mStream, static_cast<uint64_t>(offset));
}

void BassMusicInterface::StartModuleAtOrder(const BassSong& song, int offset, bool noLoop)
{
    mEngine->ChannelStop(song.mModule);
    mEngine->ChannelSetPosition(song.mModule, (static_cast<uint32_t>(offset) & 0xFFFF) | Platform::kPositionOrder);
    mEngine->ChannelSetFlags(song.mModule, noLoop ? 0 : Platform::kChannelLoop);
    mEngine->ChannelPlay(song.mModule, false);
}

void BassMusicInterface::PlayMusic(int songId, int offset, bool noLoop)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mVolume = song->mMaxVolume;
    song->mVolumeStep = 0.0;
    song->mStopWhenDone = noLoop;
    SetChannelVolume(*song);
    mEngine->ChannelStop(song->Channel());
    if (song->mModule != 0)
        StartModuleAtOrder(*song, offset, noLoop);
    else
        StartStream(*song, offset, noLoop);
}

void BassMusicInterface::StopMusic(int songId)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mVolume = 0.0;
    mEngine->ChannelStop(song->Channel());
}

void BassMusicInterface::PauseMusic(int songId)
{
    if (BassSong* song = Find(songId))
        mEngine->ChannelPause(song->Channel());
}

void BassMusicInterface::ResumeMusic(int songId)
{
    if (BassSong* song = Find(songId))
        mEngine->ChannelPlay(song->Channel(), false);
}

void BassMusicInterface::StopAllMusic()
{
    for (auto& [id, song] : mSongs) {
        song.mVolume = 0.0;
        mEngine->ChannelStop(song.Channel());
    }
}

void BassMusicInterface::UnloadMusic(int songId)
{
    if (!Find(songId))
        return;
    StopMusic(songId);
    Free(mSongs.at(songId));
    mSongs.erase(songId);
}

void BassMusicInterface::UnloadAllMusic()
{
    StopAllMusic();
    for (const auto& [id, song] : mSongs)
        Free(song);
    mSongs.clear();
}

void BassMusicInterface::PauseAllMusic()
{
    for (const auto& [id, song] : mSongs) {
        if (mEngine->ChannelIsActive(song.Channel()) == Platform::kChannelPlaying)
            mEngine->ChannelPause(song.Channel());
    }
}

void BassMusicInterface::ResumeAllMusic()
{
    for (const auto& [id, song] : mSongs) {
        if (mEngine->ChannelIsActive(song.Channel()) == Platform::kChannelPaused)
            mEngine->ChannelPlay(song.Channel(), false);
    }
}

void BassMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mVolumeStep = speed;
    song->mStopWhenDone = noLoop;
    mEngine->ChannelStop(song->Channel());
    SetChannelVolume(*song);
    if (song->mModule == 0)
        StartStream(*song, offset, noLoop);
    else if (offset == -1)
        mEngine->ChannelPlay(song->mModule, true);
    else
        StartModuleAtOrder(*song, offset, noLoop);
}

void BassMusicInterface::FadeOut(int songId, bool stopAtEnd, double speed)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    if (song->mVolume != 0.0)
        song->mVolumeStep = -speed;
    song->mStopWhenDone = stopAtEnd;
}

void BassMusicInterface::FadeOutAll(bool stopAtEnd, double speed)
{
    for (auto& [id, song] : mSongs) {
        song.mVolumeStep = -speed;
        song.mStopWhenDone = stopAtEnd;
    }
}

void BassMusicInterface::SetSongVolume(int songId, double volume)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mVolume = volume;
    SetChannelVolume(*song);
}

void BassMusicInterface::SetSongMaxVolume(int songId, double volume)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mMaxVolume = volume;
    song->mVolume = std::min(volume, song->mVolume);
    SetChannelVolume(*song);
}

bool BassMusicInterface::IsPlaying(int songId)
{
    const BassSong* song = Find(songId);
    return song && mEngine->ChannelIsActive(song->Channel()) == Platform::kChannelPlaying;
}

void BassMusicInterface::SetVolume(double volume)
{
    mEngine->SetConfig(Platform::kConfigMusicVolume, VolumePercent(volume));
    mEngine->SetConfig(Platform::kConfigStreamVolume, VolumePercent(volume));
}

void BassMusicInterface::SetSongAmplification(int songId, double value)
{
    if (BassSong* song = Find(songId))
        mEngine->MusicSetAttribute(song->Channel(), Platform::kMusicAttribAmplify, VolumePercent(value));
}

void BassMusicInterface::Update()
{
    for (auto& [id, song] : mSongs) {
        if (song.mVolumeStep == 0.0)
            continue;
        if (StepFade(song.mVolume, song.mVolumeStep, song.mMaxVolume) && song.mStopWhenDone)
            mEngine->ChannelStop(song.Channel());
        SetChannelVolume(song);
    }
}

} // namespace Vorn
