#include "platform/MusicEngine.h"

#include "platform/AudioDecoder.h"

#include <algorithm>

namespace Platform {

MusicEngine::MusicEngine(std::shared_ptr<AudioMixer> output) : mOutput(std::move(output)) {}

// The voices go before the output they play into.
MusicEngine::~MusicEngine()
{
    mStreams.clear();
}

uint32_t MusicEngine::StreamCreateFile(const std::string& fileName)
{
    std::vector<uint8_t> file;
    if (!mOutput || !ReadWholeFile(fileName, file))
        return 0;
    std::unique_ptr<StreamVoice> voice = mOutput->CreateStream(OpenPcmSource(std::move(file)));
    if (!voice)
        return 0;
    const uint32_t handle = mNextHandle++;
    Stream& stream = mStreams[handle];
    stream.voice = std::move(voice);
    ApplyGain(stream);
    return handle;
}

bool MusicEngine::StreamFree(uint32_t stream)
{
    return mStreams.erase(stream) > 0;
}

void MusicEngine::SetConfig(int option, int value)
{
    if (option != kConfigStreamVolume)
        return;
    mStreamVolume = std::clamp(value, 0, 100);
    for (auto& [handle, stream] : mStreams)
        ApplyGain(stream);
}

MusicEngine::Stream* MusicEngine::Find(uint32_t channel)
{
    const auto found = mStreams.find(channel);
    return found == mStreams.end() ? nullptr : &found->second;
}

void MusicEngine::ApplyGain(Stream& stream)
{
    stream.voice->SetGain(static_cast<uint32_t>(stream.volume * mStreamVolume * 65536 / 10000));
}

bool MusicEngine::ChannelPlay(uint32_t channel, bool restart)
{
    Stream* stream = Find(channel);
    if (stream)
        stream->voice->Play(restart);
    return stream != nullptr;
}

bool MusicEngine::ChannelStop(uint32_t channel)
{
    Stream* stream = Find(channel);
    if (stream)
        stream->voice->Stop();
    return stream != nullptr;
}

bool MusicEngine::ChannelPause(uint32_t channel)
{
    Stream* stream = Find(channel);
    if (stream)
        stream->voice->Pause();
    return stream != nullptr;
}

int MusicEngine::ChannelIsActive(uint32_t channel)
{
    Stream* stream = Find(channel);
    if (!stream)
        return kChannelStopped;
    switch (stream->voice->State()) {
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
    Stream* stream = Find(channel);
    if (!stream)
        return false;
    if (volume != kKeepVolume) {
        stream->volume = std::clamp(volume, 0, 100);
        ApplyGain(*stream);
    }
    return true;
}

bool MusicEngine::ChannelSetPosition(uint32_t channel, uint64_t bytePosition)
{
    Stream* stream = Find(channel);
    if (stream)
        stream->voice->SetPosition(bytePosition / (2u * stream->voice->Channels()));
    return stream != nullptr;
}

bool MusicEngine::ChannelSetFlags(uint32_t channel, uint32_t flags)
{
    Stream* stream = Find(channel);
    if (stream)
        stream->voice->SetLooping((flags & kChannelLoop) != 0);
    return stream != nullptr;
}

} // namespace Platform
