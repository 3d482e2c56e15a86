#include "platform/MusicEngine.h"

#include "platform/AudioDecoder.h"

#include <algorithm>

namespace Platform {

MusicEngine::MusicEngine(std::shared_ptr<AudioMixer> output) : mOutput(std::move(output)) {}

// The voices go before the output they play into.
MusicEngine::~MusicEngine()
{
    mChannels.clear();
}

uint32_t MusicEngine::Add(std::unique_ptr<StreamVoice> voice, bool module)
{
    const uint32_t handle = mNextHandle++;
    Channel& channel = mChannels[handle];
    channel.voice = std::move(voice);
    channel.module = module;
    ApplyGain(channel);
    return handle;
}

uint32_t MusicEngine::StreamCreateFile(const std::string& fileName)
{
    std::vector<uint8_t> file;
    if (!mOutput || !ReadWholeFile(fileName, file))
        return 0;
    std::unique_ptr<StreamVoice> voice = mOutput->CreateStream(OpenPcmSource(std::move(file)));
    return voice ? Add(std::move(voice), false) : 0;
}

bool MusicEngine::StreamFree(uint32_t stream)
{
    const Channel* found = Find(stream);
    return found && !found->module && mChannels.erase(stream) > 0;
}

uint32_t MusicEngine::MusicLoad(const uint8_t* data, size_t size, uint32_t flags)
{
    if (!mOutput)
        return 0;
    std::unique_ptr<StreamVoice> voice = mOutput->CreateStream(OpenModuleSource(data, size));
    if (!voice)
        return 0;
    voice->SetLooping((flags & kChannelLoop) != 0);
    return Add(std::move(voice), true);
}

bool MusicEngine::MusicFree(uint32_t music)
{
    const Channel* found = Find(music);
    return found && found->module && mChannels.erase(music) > 0;
}

bool MusicEngine::MusicSetAttribute(uint32_t music, int attribute, int value)
{
    Channel* found = Find(music);
    if (!found || !found->module || attribute != kMusicAttribAmplify)
        return false;
    found->amplify = std::clamp(value, 0, 100);
    ApplyGain(*found);
    return true;
}

void MusicEngine::SetConfig(int option, int value)
{
    if (option == kConfigStreamVolume)
        mStreamVolume = std::clamp(value, 0, 100);
    else if (option == kConfigMusicVolume)
        mMusicVolume = std::clamp(value, 0, 100);
    else
        return;
    for (auto& [handle, channel] : mChannels)
        ApplyGain(channel);
}

MusicEngine::Channel* MusicEngine::Find(uint32_t channel)
{
    const auto found = mChannels.find(channel);
    return found == mChannels.end() ? nullptr : &found->second;
}

void MusicEngine::ApplyGain(Channel& channel)
{
    const uint64_t volume = static_cast<uint64_t>(channel.volume);
    const uint64_t gain = channel.module
                              ? volume * static_cast<uint64_t>(mMusicVolume * channel.amplify) * 65536 / 500000
                              : volume * static_cast<uint64_t>(mStreamVolume) * 65536 / 10000;
    channel.voice->SetGain(static_cast<uint32_t>(gain));
}

bool MusicEngine::ChannelPlay(uint32_t channel, bool restart)
{
    Channel* found = Find(channel);
    if (found)
        found->voice->Play(restart);
    return found != nullptr;
}

bool MusicEngine::ChannelStop(uint32_t channel)
{
    Channel* found = Find(channel);
    if (found)
        found->voice->Stop();
    return found != nullptr;
}

bool MusicEngine::ChannelPause(uint32_t channel)
{
    Channel* found = Find(channel);
    if (found)
        found->voice->Pause();
    return found != nullptr;
}

int MusicEngine::ChannelIsActive(uint32_t channel)
{
    Channel* found = Find(channel);
    if (!found)
        return kChannelStopped;
    switch (found->voice->State()) {
    case StreamState::kPlaying:
        return kChannelPlaying;
    case StreamState::kPaused:
        return kChannelPaused;
    case StreamState::kStopped:
        break;
    }
    return kChannelStopped;
}

bool MusicEngine::ChannelSetAttributes(uint32_t channel, int, int volume, int)
{
    Channel* found = Find(channel);
    if (!found)
        return false;
    if (volume != kKeepVolume) {
        found->volume = std::clamp(volume, 0, 100);
        ApplyGain(*found);
    }
    return true;
}

bool MusicEngine::ChannelSetPosition(uint32_t channel, uint64_t position)
{
    Channel* found = Find(channel);
    if (!found)
        return false;
    if (found->module && (position & kPositionOrder) != 0)
        return found->voice->SeekOrder(static_cast<int>(position & 0xFFFF));
    found->voice->SetPosition(position / (2u * found->voice->Channels()));
    return true;
}

bool MusicEngine::ChannelSetFlags(uint32_t channel, uint32_t flags)
{
    Channel* found = Find(channel);
    if (found)
        found->voice->SetLooping((flags & kChannelLoop) != 0);
    return found != nullptr;
}

} // namespace Platform
