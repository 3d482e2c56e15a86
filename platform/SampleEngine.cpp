#include "platform/SampleEngine.h"

#include "platform/AudioDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Platform {

namespace {

std::mutex gEngineLock;
std::weak_ptr<SampleEngine> gEngine;

int LinearToAttenuation(int volume)
{
    if (volume <= 0)
        return kSilence;
    return static_cast<int>(std::lround(2000.0 * std::log10(volume / 100.0)));
}

} // namespace

std::shared_ptr<SampleEngine> SampleEngine::Acquire()
{
    std::lock_guard lock(gEngineLock);
    std::shared_ptr<SampleEngine> engine = gEngine.lock();
    if (!engine) {
        engine = std::make_shared<SampleEngine>();
        gEngine = engine;
    }
    return engine;
}

SampleEngine::~SampleEngine()
{
    Close();
}

void SampleEngine::Init(std::shared_ptr<AudioMixer> output)
{
    std::lock_guard lock(mLock);
    mOutput = std::move(output);
}

void SampleEngine::Close()
{
    std::lock_guard lock(mLock);
    mChannels.clear();
    mSongs.clear();
    mSamples.clear();
    mOutput.reset();
}

uint32_t SampleEngine::Add(std::unique_ptr<SoundBuffer> buffer, uint32_t mode)
{
    const uint32_t handle = mNextHandle++;
    mSamples[handle] = {std::move(buffer), mode};
    return handle;
}

bool SampleEngine::ReadFileWhileOpen(const std::string& fileName, std::vector<uint8_t>& file)
{
    {
        std::lock_guard lock(mLock);
        if (!mOutput)
            return false;
    }
    return ReadWholeFile(fileName, file);
}

uint32_t SampleEngine::SampleLoad(int, const std::string& fileName, uint32_t, uint64_t maxBytes)
{
    std::vector<uint8_t> file;
    if (!ReadFileWhileOpen(fileName, file))
        return 0;
    const std::unique_ptr<PcmSource> source = OpenPcmSource(std::move(file));
    if (!source)
        return 0;
    const uint16_t channels = source->Channels();
    const uint64_t mostFrames = std::min(maxBytes, kMaxSampleBytes) / (sizeof(int16_t) * channels);
    std::vector<int16_t> samples;
    uint64_t frames = 0;
    constexpr uint64_t kChunk = 65536;
    for (;;) {
        // One frame past the cap tells a sound that goes on from one that
        // ends right there.
        const size_t ask = static_cast<size_t>(std::min(kChunk, mostFrames + 1 - frames));
        samples.resize(static_cast<size_t>(frames + ask) * channels);
        const size_t got = source->Read(samples.data() + frames * channels, ask);
        frames += got;
        if (frames > mostFrames)
            return 0;
        if (got < ask)
            break;
    }
    samples.resize(static_cast<size_t>(frames) * channels);
    const PcmFormat format{channels, source->SampleRate(), 16};
    std::lock_guard lock(mLock);
    if (!mOutput)
        return 0;
    std::unique_ptr<SoundBuffer> buffer =
        mOutput->CreateBuffer(format, static_cast<uint32_t>(samples.size() * sizeof(int16_t)));
    if (!buffer)
        return 0;
    uint32_t length = 0;
    uint8_t* memory = buffer->Lock(0, buffer->Size(), length);
    std::memcpy(memory, samples.data(), length);
    buffer->Unlock();
    return Add(std::move(buffer), channels == 1 ? kSampleMono : 0);
}

uint32_t SampleEngine::SampleAlloc(int, uint32_t length, uint32_t mode, uint32_t frequency)
{
    const PcmFormat format{static_cast<uint16_t>((mode & kSampleMono) ? 1 : 2), frequency,
                           static_cast<uint16_t>((mode & kSample8Bits) ? 8 : 16)};
    const uint64_t bytes = static_cast<uint64_t>(length) * format.BlockAlign();
    std::lock_guard lock(mLock);
    if (!mOutput || bytes > kMaxSampleBytes)
        return 0;
    std::unique_ptr<SoundBuffer> buffer = mOutput->CreateBuffer(format, static_cast<uint32_t>(bytes));
    if (!buffer)
        return 0;
    return Add(std::move(buffer), mode);
}

void SampleEngine::SampleFree(uint32_t sample)
{
    std::lock_guard lock(mLock);
    mSamples.erase(sample);
}

SampleEngine::Sample* SampleEngine::FindSample(uint32_t sample)
{
    const auto found = mSamples.find(sample);
    return found == mSamples.end() ? nullptr : &found->second;
}

SampleEngine::Channel* SampleEngine::FindChannel(int channel)
{
    const auto found = mChannels.find(channel);
    return found == mChannels.end() ? nullptr : &found->second;
}

bool SampleEngine::SampleLock(uint32_t sample, uint32_t offset, uint32_t length, void** first, void** second,
                              uint32_t* firstLength, uint32_t* secondLength)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    uint32_t got = 0;
    uint8_t* memory = found ? found->buffer->Lock(offset, length, got) : nullptr;
    *first = memory;
    *second = nullptr;
    *firstLength = got;
    *secondLength = 0;
    return memory != nullptr;
}

bool SampleEngine::SampleUnlock(uint32_t sample)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    if (found)
        found->buffer->Unlock();
    return found != nullptr;
}

bool SampleEngine::SampleSetLoopPoints(uint32_t sample, uint32_t start, uint32_t end)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    if (found)
        found->buffer->SetLoopPoints(start, end);
    return found != nullptr;
}

uint32_t SampleEngine::SampleGetLength(uint32_t sample)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    return found ? found->buffer->Size() / found->buffer->Format().BlockAlign() : 0;
}

bool SampleEngine::SampleGetDefaults(uint32_t sample, int* frequency)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    if (found && frequency)
        *frequency = static_cast<int>(found->buffer->Format().sampleRate);
    return found != nullptr;
}

uint32_t SampleEngine::SampleGetMode(uint32_t sample)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    return found ? found->mode : 0;
}

int SampleEngine::PlaySound(int channel, uint32_t sample)
{
    std::lock_guard lock(mLock);
    Sample* found = FindSample(sample);
    if (!found || channel < 0)
        return -1;
    Channel& playing = mChannels[channel];
    playing.voice = found->buffer->Duplicate();
    playing.looping = (found->mode & kSampleLoopNormal) != 0;
    playing.paused = false;
    playing.voice->Play(playing.looping);
    return channel;
}

bool SampleEngine::StopSound(int channel)
{
    std::lock_guard lock(mLock);
    return mChannels.erase(channel) > 0;
}

bool SampleEngine::SetVolume(int channel, int volume)
{
    std::lock_guard lock(mLock);
    Channel* found = FindChannel(channel);
    if (found)
        found->voice->SetVolume(LinearToAttenuation(std::clamp(volume, 0, 100)));
    return found != nullptr;
}

bool SampleEngine::SetPaused(int channel, bool paused)
{
    std::lock_guard lock(mLock);
    Channel* found = FindChannel(channel);
    if (!found)
        return false;
    if (paused && !found->paused && found->voice->IsPlaying()) {
        found->voice->Stop();
        found->paused = true;
    } else if (!paused && found->paused) {
        found->voice->Play(found->looping);
        found->paused = false;
    }
    return true;
}

bool SampleEngine::SetLoopMode(int channel, int mode)
{
    std::lock_guard lock(mLock);
    Channel* found = FindChannel(channel);
    if (!found)
        return false;
    found->looping = mode == kLoopNormal;
    found->voice->SetLooping(found->looping);
    return true;
}

bool SampleEngine::IsPlaying(int channel)
{
    std::lock_guard lock(mLock);
    Channel* found = FindChannel(channel);
    return found && (found->paused || found->voice->IsPlaying());
}

StreamVoice* SampleEngine::FindSong(uint32_t song)
{
    const auto found = mSongs.find(song);
    return found == mSongs.end() ? nullptr : found->second.get();
}

uint32_t SampleEngine::MusicLoadSong(const std::string& fileName)
{
    std::vector<uint8_t> file;
    if (!ReadFileWhileOpen(fileName, file))
        return 0;
    std::unique_ptr<PcmSource> source = OpenModuleSource(file.data(), file.size());
    std::lock_guard lock(mLock);
    if (!mOutput || !source)
        return 0;
    std::unique_ptr<StreamVoice> voice = mOutput->CreateStream(std::move(source));
    if (!voice)
        return 0;
    const uint32_t handle = mNextHandle++;
    mSongs[handle] = std::move(voice);
    return handle;
}

bool SampleEngine::MusicFreeSong(uint32_t song)
{
    std::lock_guard lock(mLock);
    return mSongs.erase(song) > 0;
}

bool SampleEngine::MusicPlaySong(uint32_t song)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    if (found)
        found->Play(true);
    return found != nullptr;
}

bool SampleEngine::MusicStopSong(uint32_t song)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    if (found)
        found->Stop();
    return found != nullptr;
}

bool SampleEngine::MusicSetLooping(uint32_t song, int mode)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    if (found)
        found->SetLooping(mode == kLoopNormal);
    return found != nullptr;
}

bool SampleEngine::MusicSetOrder(uint32_t song, int order)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    return found && found->SeekOrder(order);
}

bool SampleEngine::MusicSetPaused(uint32_t song, bool paused)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    if (!found)
        return false;
    if (paused)
        found->Pause();
    else if (found->State() == StreamState::kPaused)
        found->Play(false);
    return true;
}

bool SampleEngine::MusicSetMasterVolume(uint32_t song, int volume)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    if (found)
        found->SetGain(static_cast<uint32_t>(std::clamp(volume, 0, 100) * 65536 / 100));
    return found != nullptr;
}

bool SampleEngine::MusicIsPlaying(uint32_t song)
{
    std::lock_guard lock(mLock);
    StreamVoice* found = FindSong(song);
    return found && found->State() != StreamState::kStopped;
}

} // namespace Platform
