#pragma once
// The mixer behind the one audio output: sound buffers and music streams
// summed into 44.1 kHz 16-bit stereo. The system's audio device pulls Mix
// from its own thread; tests and benchmarks call it directly.
//
// The arithmetic, exact where it is integer:
// - a volume is an attenuation in hundredths of a decibel, -10000..0; its
//   gain is round(65536 × 10^(a / 2000)) in 16.16 fixed point, and -10000 is
//   silence (gain 0);
// - a pan of -10000..10000 attenuates only the far side by |pan| hundredths
//   of a decibel (a positive pan the left, a negative one the right); the
//   side's attenuation is volume + that, held at -10000;
// - a voice steps through its frames by frequency / 44100 per output frame,
//   as a 32.32 fixed-point frame position (step = (frequency << 32) / 44100,
//   rounded down), and takes s0 + (((s1 - s0) × f) >> 16) between frames s0
//   and s1, f the top 16 bits of the position's fraction;
// - 8-bit samples count as (x - 128) × 256; mono feeds both sides;
// - each side adds (sample × gain) >> 16 into a 32-bit sum; the sum is
//   scaled by the line volume (sum × line / 65535, toward zero) and held to
//   -32768..32767.
// Shifts of negative values round toward minus infinity.
//
// Every voice setting and the list of playing voices change under the mixer's
// lock, the same one Mix holds.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Platform {

inline constexpr uint32_t kOutputRate = 44100;
inline constexpr uint32_t kMinFrequency = 100;
inline constexpr uint32_t kMaxFrequency = 100000;
inline constexpr int kSilence = -10000;
inline constexpr int kFullVolume = 0;
inline constexpr int kPanFarLeft = -10000;
inline constexpr int kPanFarRight = 10000;
inline constexpr uint32_t kFullLineVolume = 65535;

// 16.16 gain of an attenuation (see above).
uint32_t AttenuationGain(int hundredthsOfDecibel);

struct PcmFormat {
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;

    uint32_t BlockAlign() const { return channels * bitsPerSample / 8u; }
    bool operator==(const PcmFormat&) const = default;
};

class AudioMixer;

// Something the mixer sums while it plays. Touched only under the mixer's lock.
class Voice {
public:
    virtual ~Voice() = default;

protected:
    friend class AudioMixer;
    // Adds `frames` stereo frames (or fewer, up to its end) into `sum`. False
    // once the voice has ended: the mixer then drops it from the playing list.
    virtual bool MixInto(int32_t* sum, size_t frames) = 0;
};

// A sound in memory that plays by itself, like the buffers of the system the
// framework was written for: a format, sample memory (shared by reference
// count with its duplicates), a volume, a pan, a frequency, loop points and a
// play position. Destroy every buffer before its mixer.
class SoundBuffer final : public Voice {
public:
    ~SoundBuffer() override;
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    // A new buffer over the same sample memory, stopped at the start, at full
    // volume, centred, at this buffer's frequency.
    std::unique_ptr<SoundBuffer> Duplicate();

    const PcmFormat& Format() const { return mFormat; }
    uint32_t Size() const { return static_cast<uint32_t>(mSamples->size()); }

    // The sample memory from `offset`, `length` bytes of it (at most `bytes`).
    // Null, with length 0, at or past the end. Nothing may write it while a
    // buffer sharing it plays; Unlock hands what was written to the mixer.
    uint8_t* Lock(uint32_t offset, uint32_t bytes, uint32_t& length);
    void Unlock();

    // Held to -10000..0.
    void SetVolume(int hundredthsOfDecibel);
    int GetVolume();
    // Held to -10000..10000.
    void SetPan(int pan);
    int GetPan();
    // Held to 100..100000.
    void SetFrequency(uint32_t hertz);
    uint32_t GetFrequency();
    // While looping, the frames from `endFrame` on jump back to `startFrame`.
    // Points outside the sound or in the wrong order loop the whole sound.
    void SetLoopPoints(uint32_t startFrame, uint32_t endFrame);

    // From the current position. A sound that is not looping stops at its
    // end and goes back to the start.
    void Play(bool looping);
    // Changes whether it loops without starting or stopping it.
    void SetLooping(bool looping);
    // Keeps the position.
    void Stop();
    // Rounded down to a whole frame.
    void SetCurrentPosition(uint32_t byteOffset);
    bool IsPlaying();

private:
    friend class AudioMixer;
    SoundBuffer(AudioMixer& mixer, const PcmFormat& format, std::shared_ptr<std::vector<uint8_t>> samples);

    bool MixInto(int32_t* sum, size_t frames) override;
    void UpdateGains();
    void WrapIntoLoop();

    AudioMixer& mMixer;
    const PcmFormat mFormat;
    const std::shared_ptr<std::vector<uint8_t>> mSamples;
    const uint64_t mFrames;
    int mVolume = kFullVolume;
    int mPan = 0;
    uint32_t mFrequency;
    uint64_t mStep;
    uint32_t mLeftGain = 65536;
    uint32_t mRightGain = 65536;
    uint64_t mLoopStart;
    uint64_t mLoopEnd;
    uint64_t mPosition = 0; // 32.32 frames
    bool mLooping = false;
    bool mPlaying = false;
};

// Decoded sound of unbounded length, read in order: 16-bit interleaved frames.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    virtual uint16_t Channels() const = 0;
    virtual uint32_t SampleRate() const = 0;
    // Up to `frames` frames into `out`; fewer only at the end of the sound.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
    // False when the position cannot be reached.
    virtual bool Seek(uint64_t frame) = 0;
    // Tracker songs jump to the start of one of their orders and answer the
    // frame they then stand at, counted as Seek counts; -1 for an order the
    // song does not have, and from every other kind of sound.
    virtual int64_t SeekOrder(int) { return -1; }
    // Tracker songs loop where their own order list says (their restart
    // position, or a jump back) and answer true; other sounds answer false
    // and are started over at their end by the voice.
    virtual bool SetRepeat(bool) { return false; }
};

enum class StreamState { kStopped, kPlaying, kPaused };

// A music stream: decoded while it plays, a window of frames at a time, on
// the mixer's thread. Gain is linear 16.16 (65536 = as decoded).
class StreamVoice final : public Voice {
public:
    ~StreamVoice() override;
    StreamVoice(const StreamVoice&) = delete;
    StreamVoice& operator=(const StreamVoice&) = delete;

    // From the start when `restart` is set, else from where it stood.
    void Play(bool restart);
    void Pause();
    // Keeps the position.
    void Stop();
    StreamState State();
    void SetLooping(bool looping);
    void SetGain(uint32_t gain);
    // Past the end: the stream stands at its end.
    void SetPosition(uint64_t frame);
    // A tracker song goes on from the start of that order; false (and the
    // position kept) for an order it does not have or another sound.
    bool SeekOrder(int order);
    uint16_t Channels() const { return mChannels; }

private:
    friend class AudioMixer;
    StreamVoice(AudioMixer& mixer, std::unique_ptr<PcmSource> source);

    bool MixInto(int32_t* sum, size_t frames) override;
    // Decodes so that the window holds `frame` and the one after it where the
    // sound has one. False when `frame` lies past the end.
    bool Reach(uint64_t frame);
    void MoveTo(uint64_t frame);

    AudioMixer& mMixer;
    const std::unique_ptr<PcmSource> mSource;
    const uint16_t mChannels;
    const uint64_t mStep;
    std::vector<int16_t> mWindow;
    uint64_t mWindowStart = 0;
    uint64_t mWindowFrames = 0;
    bool mSourceEnded = false;
    uint64_t mPosition = 0; // 32.32 frames
    uint32_t mGain = 65536;
    bool mLooping = false;
    StreamState mState = StreamState::kStopped;
};

class AudioMixer {
public:
    AudioMixer() = default;
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // A silent, stopped buffer. Null for channels other than 1 and 2, bits
    // other than 8 and 16, a rate outside 100..100000 or a size of 0.
    std::unique_ptr<SoundBuffer> CreateBuffer(const PcmFormat& format, uint32_t size);
    // Null for a source with channels other than 1 and 2 or a rate outside
    // 100..100000.
    std::unique_ptr<StreamVoice> CreateStream(std::unique_ptr<PcmSource> source);

    // Writes `frames` stereo frames of everything playing into `out`.
    void Mix(int16_t* out, size_t frames, uint32_t lineVolume = kFullLineVolume);

private:
    friend class SoundBuffer;
    friend class StreamVoice;
    void StartLocked(Voice* voice);
    void StopLocked(Voice* voice);

    std::mutex mLock;
    std::vector<Voice*> mPlaying;
    std::vector<int32_t> mSum;
};

} // namespace Platform
