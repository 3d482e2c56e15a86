#include "platform/AudioMixer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace Platform {

namespace {

constexpr size_t kStreamWindowFrames = 4096;

bool FrequencyInRange(uint32_t hertz)
{
    return hertz >= kMinFrequency && hertz <= kMaxFrequency;
}

uint64_t StepOf(uint32_t hertz)
{
    return (static_cast<uint64_t>(hertz) << 32) / kOutputRate;
}

int32_t Between(int32_t s0, int32_t s1, uint64_t position)
{
    const int64_t fraction = static_cast<int64_t>((position >> 16) & 0xFFFF);
    return s0 + static_cast<int32_t>(((static_cast<int64_t>(s1) - s0) * fraction) >> 16);
}

int32_t Scaled(int32_t sample, uint32_t gain)
{
    return static_cast<int32_t>((static_cast<int64_t>(sample) * gain) >> 16);
}

// Sample `channel` of frame `frame` in little-endian PCM memory.
template <int Channels, int Bits>
int32_t SampleAt(const uint8_t* data, uint64_t frame, int channel)
{
    const uint64_t index = frame * Channels + static_cast<uint64_t>(channel);
    if constexpr (Bits == 8)
        return (static_cast<int32_t>(data[index]) - 128) * 256;
    else
        return static_cast<int16_t>(static_cast<uint16_t>(data[2 * index] | data[2 * index + 1] << 8));
}

struct Gains {
    uint32_t left;
    uint32_t right;
};

// One voice over sample memory, `frames` output frames. `next` tells the frame
// after a given one (the loop's start, or the same frame at the very end).
template <int Channels, int Bits, typename Next>
void MixFrames(const uint8_t* data, uint64_t& position, uint64_t step, Gains gains, int32_t* sum, size_t frames,
               Next next)
{
    for (size_t i = 0; i < frames; ++i) {
        const uint64_t frame = position >> 32;
        const uint64_t after = next(frame);
        const int32_t left = Between(SampleAt<Channels, Bits>(data, frame, 0), SampleAt<Channels, Bits>(data, after, 0),
                                     position);
        int32_t right = left;
        if constexpr (Channels == 2)
            right = Between(SampleAt<Channels, Bits>(data, frame, 1), SampleAt<Channels, Bits>(data, after, 1),
                            position);
        sum[2 * i] += Scaled(left, gains.left);
        sum[2 * i + 1] += Scaled(right, gains.right);
        position += step;
    }
}

template <typename Next>
void MixFormat(const PcmFormat& format, const uint8_t* data, uint64_t& position, uint64_t step, Gains gains,
               int32_t* sum, size_t frames, Next next)
{
    if (format.channels == 1 && format.bitsPerSample == 8)
        MixFrames<1, 8>(data, position, step, gains, sum, frames, next);
    else if (format.channels == 1)
        MixFrames<1, 16>(data, position, step, gains, sum, frames, next);
    else if (format.bitsPerSample == 8)
        MixFrames<2, 8>(data, position, step, gains, sum, frames, next);
    else
        MixFrames<2, 16>(data, position, step, gains, sum, frames, next);
}

// How many output frames, from `position` on, stay below frame `end`.
size_t FramesBefore(uint64_t position, uint64_t step, uint64_t end, size_t limit)
{
    const uint64_t endPosition = end << 32;
    if (position >= endPosition)
        return 0;
    const uint64_t count = (endPosition - position + step - 1) / step;
    return static_cast<size_t>(std::min<uint64_t>(count, limit));
}

} // namespace

uint32_t AttenuationGain(int hundredthsOfDecibel)
{
    if (hundredthsOfDecibel <= kSilence)
        return 0;
    if (hundredthsOfDecibel >= kFullVolume)
        return 65536;
    return static_cast<uint32_t>(std::lround(65536.0 * std::pow(10.0, hundredthsOfDecibel / 2000.0)));
}

// ---- SoundBuffer ----

SoundBuffer::SoundBuffer(AudioMixer& mixer, const PcmFormat& format, std::shared_ptr<std::vector<uint8_t>> samples)
    : mMixer(mixer), mFormat(format), mSamples(std::move(samples)), mFrames(mSamples->size() / format.BlockAlign()),
      mFrequency(format.sampleRate), mStep(StepOf(format.sampleRate)), mLoopStart(0), mLoopEnd(mFrames)
{
}

SoundBuffer::~SoundBuffer()
{
    std::lock_guard lock(mMixer.mLock);
    mMixer.StopLocked(this);
}

std::unique_ptr<SoundBuffer> SoundBuffer::Duplicate()
{
    std::lock_guard lock(mMixer.mLock);
    std::unique_ptr<SoundBuffer> copy(new SoundBuffer(mMixer, mFormat, mSamples));
    copy->mFrequency = mFrequency;
    copy->mStep = mStep;
    copy->mLoopStart = mLoopStart;
    copy->mLoopEnd = mLoopEnd;
    return copy;
}

uint8_t* SoundBuffer::Lock(uint32_t offset, uint32_t bytes, uint32_t& length)
{
    if (offset >= Size()) {
        length = 0;
        return nullptr;
    }
    length = std::min(bytes, Size() - offset);
    return mSamples->data() + offset;
}

// The lock orders the writes before any later Play on another thread.
void SoundBuffer::Unlock()
{
    std::lock_guard lock(mMixer.mLock);
}

void SoundBuffer::SetVolume(int hundredthsOfDecibel)
{
    std::lock_guard lock(mMixer.mLock);
    mVolume = std::clamp(hundredthsOfDecibel, kSilence, kFullVolume);
    UpdateGains();
}

int SoundBuffer::GetVolume()
{
    std::lock_guard lock(mMixer.mLock);
    return mVolume;
}

void SoundBuffer::SetPan(int pan)
{
    std::lock_guard lock(mMixer.mLock);
    mPan = std::clamp(pan, kPanFarLeft, kPanFarRight);
    UpdateGains();
}

int SoundBuffer::GetPan()
{
    std::lock_guard lock(mMixer.mLock);
    return mPan;
}

void SoundBuffer::UpdateGains()
{
    mLeftGain = AttenuationGain(std::max(mVolume - std::max(mPan, 0), kSilence));
    mRightGain = AttenuationGain(std::max(mVolume + std::min(mPan, 0), kSilence));
}

void SoundBuffer::SetFrequency(uint32_t hertz)
{
    std::lock_guard lock(mMixer.mLock);
    mFrequency = std::clamp(hertz, kMinFrequency, kMaxFrequency);
    mStep = StepOf(mFrequency);
}

uint32_t SoundBuffer::GetFrequency()
{
    std::lock_guard lock(mMixer.mLock);
    return mFrequency;
}

void SoundBuffer::SetLoopPoints(uint32_t startFrame, uint32_t endFrame)
{
    std::lock_guard lock(mMixer.mLock);
    if (startFrame < endFrame && endFrame <= mFrames) {
        mLoopStart = startFrame;
        mLoopEnd = endFrame;
    } else {
        mLoopStart = 0;
        mLoopEnd = mFrames;
    }
}

void SoundBuffer::Play(bool looping)
{
    std::lock_guard lock(mMixer.mLock);
    mLooping = looping;
    if (mFrames == 0)
        return;
    mPlaying = true;
    mMixer.StartLocked(this);
}

void SoundBuffer::SetLooping(bool looping)
{
    std::lock_guard lock(mMixer.mLock);
    mLooping = looping;
}

void SoundBuffer::Stop()
{
    std::lock_guard lock(mMixer.mLock);
    mPlaying = false;
    mMixer.StopLocked(this);
}

void SoundBuffer::SetCurrentPosition(uint32_t byteOffset)
{
    std::lock_guard lock(mMixer.mLock);
    mPosition = std::min<uint64_t>(byteOffset / mFormat.BlockAlign(), mFrames) << 32;
}

bool SoundBuffer::IsPlaying()
{
    std::lock_guard lock(mMixer.mLock);
    return mPlaying;
}

void SoundBuffer::WrapIntoLoop()
{
    const uint64_t frame = mPosition >> 32;
    if (frame >= mLoopEnd)
        mPosition = (mLoopStart + (frame - mLoopEnd) % (mLoopEnd - mLoopStart)) << 32 | (mPosition & 0xFFFFFFFF);
}

bool SoundBuffer::MixInto(int32_t* sum, size_t frames)
{
    const uint8_t* data = mSamples->data();
    const Gains gains{mLeftGain, mRightGain};
    while (frames > 0) {
        if (mLooping)
            WrapIntoLoop();
        const uint64_t end = mLooping ? mLoopEnd : mFrames;
        if ((mPosition >> 32) >= end)
            break;
        // Up to the last frame before the end the next frame is simply the
        // following one; the end frame itself takes the loop's start, or
        // itself where nothing follows.
        const size_t plain = FramesBefore(mPosition, mStep, end - 1, frames);
        MixFormat(mFormat, data, mPosition, mStep, gains, sum, plain, [](uint64_t f) { return f + 1; });
        sum += 2 * plain;
        frames -= plain;
        const size_t atEnd = FramesBefore(mPosition, mStep, end, frames);
        const uint64_t wrap = mLooping ? mLoopStart : end - 1;
        MixFormat(mFormat, data, mPosition, mStep, gains, sum, atEnd, [wrap](uint64_t) { return wrap; });
        sum += 2 * atEnd;
        frames -= atEnd;
    }
    // Wraps or ends as soon as the last frame is out, not at the next pull.
    if (mLooping)
        WrapIntoLoop();
    if (!mLooping && (mPosition >> 32) >= mFrames) {
        mPlaying = false;
        mPosition = 0;
        return false;
    }
    return true;
}

// ---- StreamVoice ----

StreamVoice::StreamVoice(AudioMixer& mixer, std::unique_ptr<PcmSource> source)
    : mMixer(mixer), mSource(std::move(source)), mChannels(mSource->Channels()), mStep(StepOf(mSource->SampleRate())),
      mWindow(kStreamWindowFrames * mChannels)
{
}

StreamVoice::~StreamVoice()
{
    std::lock_guard lock(mMixer.mLock);
    mMixer.StopLocked(this);
}

void StreamVoice::MoveTo(uint64_t frame)
{
    mWindowStart = frame;
    mWindowFrames = 0;
    mSourceEnded = !mSource->Seek(frame);
}

void StreamVoice::Play(bool restart)
{
    std::lock_guard lock(mMixer.mLock);
    if (restart) {
        MoveTo(0);
        mPosition = 0;
    }
    mState = StreamState::kPlaying;
    mMixer.StartLocked(this);
}

void StreamVoice::Pause()
{
    std::lock_guard lock(mMixer.mLock);
    if (mState != StreamState::kPlaying)
        return;
    mState = StreamState::kPaused;
    mMixer.StopLocked(this);
}

void StreamVoice::Stop()
{
    std::lock_guard lock(mMixer.mLock);
    mState = StreamState::kStopped;
    mMixer.StopLocked(this);
}

StreamState StreamVoice::State()
{
    std::lock_guard lock(mMixer.mLock);
    return mState;
}

void StreamVoice::SetLooping(bool looping)
{
    std::lock_guard lock(mMixer.mLock);
    const bool loopsItself = mSource->SetRepeat(looping);
    mLooping = looping && !loopsItself;
}

void StreamVoice::SetGain(uint32_t gain)
{
    std::lock_guard lock(mMixer.mLock);
    mGain = gain;
}

void StreamVoice::SetPosition(uint64_t frame)
{
    std::lock_guard lock(mMixer.mLock);
    MoveTo(frame);
    mPosition = frame << 32;
}

bool StreamVoice::SeekOrder(int order)
{
    std::lock_guard lock(mMixer.mLock);
    const int64_t frame = mSource->SeekOrder(order);
    if (frame < 0)
        return false;
    // The source already stands there: the window starts afresh without a seek.
    mWindowStart = static_cast<uint64_t>(frame);
    mWindowFrames = 0;
    mSourceEnded = false;
    mPosition = mWindowStart << 32;
    return true;
}

bool StreamVoice::Reach(uint64_t frame)
{
    // A step is at most 100000 / 44100 frames: playing on, a frame lies at
    // most at the window's end. Any other frame is a jump.
    if (frame < mWindowStart || frame > mWindowStart + mWindowFrames)
        MoveTo(frame);
    // Keeps the frames from `frame` on and decodes after them.
    while (frame + 1 >= mWindowStart + mWindowFrames && !mSourceEnded) {
        const uint64_t kept = mWindowStart + mWindowFrames - frame;
        std::memmove(mWindow.data(), mWindow.data() + (frame - mWindowStart) * mChannels,
                     kept * mChannels * sizeof(int16_t));
        mWindowStart = frame;
        const size_t room = kStreamWindowFrames - static_cast<size_t>(kept);
        const size_t got = mSource->Read(mWindow.data() + kept * mChannels, room);
        mWindowFrames = kept + got;
        mSourceEnded = got < room;
    }
    return frame < mWindowStart + mWindowFrames;
}

bool StreamVoice::MixInto(int32_t* sum, size_t frames)
{
    const Gains gains{mGain, mGain};
    // The window's native samples are read as the little-endian bytes they are.
    static_assert(std::endian::native == std::endian::little);
    const uint8_t* data = reinterpret_cast<const uint8_t*>(mWindow.data());
    const PcmFormat format{mChannels, 0, 16};
    bool loopedEmpty = false;
    while (frames > 0) {
        const uint64_t frame = mPosition >> 32;
        if (!Reach(frame)) {
            // A loop that finds nothing to play after its restart ends too.
            if (!mLooping || loopedEmpty) {
                mState = StreamState::kStopped;
                return false;
            }
            MoveTo(0);
            mPosition = 0;
            loopedEmpty = true;
            continue;
        }
        loopedEmpty = false;
        const uint64_t end = mWindowStart + mWindowFrames;
        // The window holds `frame` + 1 unless the sound ends at `frame`.
        uint64_t relative = mPosition - (mWindowStart << 32);
        const size_t plain = FramesBefore(relative, mStep, end - 1 - mWindowStart, frames);
        MixFormat(format, data, relative, mStep, gains, sum, plain, [](uint64_t f) { return f + 1; });
        size_t done = plain;
        if (plain == 0) {
            const uint64_t here = frame - mWindowStart;
            MixFormat(format, data, relative, mStep, gains, sum, 1, [here](uint64_t) { return here; });
            done = 1;
        }
        mPosition = relative + (mWindowStart << 32);
        sum += 2 * done;
        frames -= done;
    }
    return true;
}

// ---- AudioMixer ----

std::unique_ptr<SoundBuffer> AudioMixer::CreateBuffer(const PcmFormat& format, uint32_t size)
{
    if (format.channels < 1 || format.channels > 2 || (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        || !FrequencyInRange(format.sampleRate) || size == 0)
        return nullptr;
    auto samples = std::make_shared<std::vector<uint8_t>>(size, format.bitsPerSample == 8 ? 0x80 : 0);
    return std::unique_ptr<SoundBuffer>(new SoundBuffer(*this, format, std::move(samples)));
}

std::unique_ptr<StreamVoice> AudioMixer::CreateStream(std::unique_ptr<PcmSource> source)
{
    if (!source || source->Channels() < 1 || source->Channels() > 2 || !FrequencyInRange(source->SampleRate()))
        return nullptr;
    return std::unique_ptr<StreamVoice>(new StreamVoice(*this, std::move(source)));
}

void AudioMixer::StartLocked(Voice* voice)
{
    if (std::find(mPlaying.begin(), mPlaying.end(), voice) == mPlaying.end())
        mPlaying.push_back(voice);
}

void AudioMixer::StopLocked(Voice* voice)
{
    std::erase(mPlaying, voice);
}

void AudioMixer::Mix(int16_t* out, size_t frames, uint32_t lineVolume)
{
    std::lock_guard lock(mLock);
    mSum.assign(2 * frames, 0);
    std::erase_if(mPlaying, [&](Voice* voice) { return !voice->MixInto(mSum.data(), frames); });
    const int64_t line = std::min(lineVolume, kFullLineVolume);
    for (size_t i = 0; i < 2 * frames; ++i) {
        const int64_t scaled = mSum[i] * line / static_cast<int64_t>(kFullLineVolume);
        out[i] = static_cast<int16_t>(std::clamp<int64_t>(scaled, -32768, 32767));
    }
}

} // namespace Platform
