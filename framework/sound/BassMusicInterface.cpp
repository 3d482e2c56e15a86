#include "framework/sound/BassMusicInterface.h"

#include "framework/app/StringUtils.h"
#include "platform/AudioOutput.h"
#include "platform/MusicEngine.h"

#include <algorithm>

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
    mEngine->ChannelSetAttributes(song.mStream, Platform::kKeepFrequency, VolumePercent(song.mVolume),
                                  Platform::kKeepPan);
}

bool BassMusicInterface::LoadMusic(int songId, const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : StringToLower(fileName.substr(dot + 1));
    if (extension != "wav" && extension != "ogg" && extension != "mp3")
        return false;
    const uint32_t stream = mEngine->StreamCreateFile(fileName);
    if (stream == 0)
        return false;
    // A song already under the id stays; the new stream is not kept.
    if (!mSongs.try_emplace(songId, BassSong{stream}).second)
        mEngine->StreamFree(stream);
    return true;
}

void BassMusicInterface::StartStream(const BassSong& song, int offset, bool noLoop)
{
    mEngine->ChannelSetFlags(song.mStream, noLoop ? 0 : Platform::kChannelLoop);
    mEngine->ChannelPlay(song.mStream, offset != -1);
    if (offset > 0)
        mEngine->ChannelSetPosition(song.mStream, static_cast<uint64_t>(offset));
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
    mEngine->ChannelStop(song->mStream);
    StartStream(*song, offset, noLoop);
}

void BassMusicInterface::StopMusic(int songId)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mVolume = 0.0;
    mEngine->ChannelStop(song->mStream);
}

void BassMusicInterface::PauseMusic(int songId)
{
    if (BassSong* song = Find(songId))
        mEngine->ChannelPause(song->mStream);
}

void BassMusicInterface::ResumeMusic(int songId)
{
    if (BassSong* song = Find(songId))
        mEngine->ChannelPlay(song->mStream, false);
}

void BassMusicInterface::StopAllMusic()
{
    for (auto& [id, song] : mSongs) {
        song.mVolume = 0.0;
        mEngine->ChannelStop(song.mStream);
    }
}

void BassMusicInterface::UnloadMusic(int songId)
{
    if (!Find(songId))
        return;
    StopMusic(songId);
    mEngine->StreamFree(mSongs.at(songId).mStream);
    mSongs.erase(songId);
}

void BassMusicInterface::UnloadAllMusic()
{
    StopAllMusic();
    for (const auto& [id, song] : mSongs)
        mEngine->StreamFree(song.mStream);
    mSongs.clear();
}

void BassMusicInterface::PauseAllMusic()
{
    for (const auto& [id, song] : mSongs) {
        if (mEngine->ChannelIsActive(song.mStream) == Platform::kChannelPlaying)
            mEngine->ChannelPause(song.mStream);
    }
}

void BassMusicInterface::ResumeAllMusic()
{
    for (const auto& [id, song] : mSongs) {
        if (mEngine->ChannelIsActive(song.mStream) == Platform::kChannelPaused)
            mEngine->ChannelPlay(song.mStream, false);
    }
}

void BassMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop)
{
    BassSong* song = Find(songId);
    if (!song)
        return;
    song->mVolumeStep = speed;
    song->mStopWhenDone = noLoop;
    mEngine->ChannelStop(song->mStream);
    SetChannelVolume(*song);
    StartStream(*song, offset, noLoop);
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
    return song && mEngine->ChannelIsActive(song->mStream) == Platform::kChannelPlaying;
}

void BassMusicInterface::SetVolume(double volume)
{
    mEngine->SetConfig(Platform::kConfigStreamVolume, VolumePercent(volume));
}

void BassMusicInterface::Update()
{
    for (auto& [id, song] : mSongs) {
        if (song.mVolumeStep == 0.0)
            continue;
        if (StepFade(song.mVolume, song.mVolumeStep, song.mMaxVolume) && song.mStopWhenDone)
            mEngine->ChannelStop(song.mStream);
        SetChannelVolume(song);
    }
}

} // namespace Vorn
