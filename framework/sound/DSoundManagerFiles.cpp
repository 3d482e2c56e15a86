// The sound file readers and the WAV cache of decoded sounds.
//
// A cache file is a WAV file with two chunks of its own before its samples:
//   "RIFF", u32 N + 36 (the size the file would have without the two),
//   "WAVE", "fmt " (16 bytes: PCM, channels, rate, bytes per second, block
//   alignment, bits), "dep " (u16 L, the source path's L bytes, the source's
//   last-write time as a Windows file time, low u32 then high u32), "xor "
//   (1 byte: the key), "data", u32 N, the N sample bytes each XOR-ed with the
//   key; 71 + L + N bytes in all, little-endian. It is read back only while
//   the recorded time is still the source's.

#include "framework/resources/PakInterface.h"
#include "framework/sound/DSoundManager.h"
#include "framework/sound/WavWriter.h"
#include "platform/AtomicFile.h"
#include "platform/AudioMixer.h"
#include "platform/Paths.h"
#include "platform/SampleEngine.h"

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace Vorn {

namespace {

constexpr size_t kMaxDepPathLength = 255;

// Closes the file on every way out.
class SoundFile {
public:
    explicit SoundFile(const std::string& path) : mHandle(PakFOpen(path.c_str())) {}
    ~SoundFile()
    {
        if (mHandle)
            PakFClose(mHandle);
    }
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    explicit operator bool() const { return mHandle != nullptr; }
    PakFileHandle* Handle() const { return mHandle; }
    PakFileHandle* Release() { return std::exchange(mHandle, nullptr); }
    void Close() { PakFClose(Release()); }

    // The file's length, the position left where it was; -1 when unknown.
    int64_t Length() const
    {
        const long here = PakFTell(mHandle);
        if (here < 0 || PakFSeek(mHandle, 0, SEEK_END) != 0)
            return -1;
        const long end = PakFTell(mHandle);
        PakFSeek(mHandle, here, SEEK_SET);
        return end;
    }
    bool Read(void* to, size_t bytes) { return PakFRead(to, 1, bytes, mHandle) == bytes; }
    bool Tag(const char* expected)
    {
        char tag[4];
        return Read(tag, 4) && std::memcmp(tag, expected, 4) == 0;
    }
    template <typename Number>
    bool Little(Number& value)
    {
        uint8_t bytes[sizeof(Number)];
        if (!Read(bytes, sizeof bytes))
            return false;
        value = 0;
        for (size_t i = sizeof bytes; i-- > 0;)
            value = static_cast<Number>(value << 8 | bytes[i]);
        return true;
    }
    bool Big(uint32_t& value)
    {
        uint8_t bytes[4];
        if (!Read(bytes, 4))
            return false;
        value = static_cast<uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
        return true;
    }

private:
    PakFileHandle* mHandle;
};

// The program's own piecewise-linear mu-law, not the reference values: 0x80
// expands to 255 × 4 where continuing its neighbours would give 7904 × 4.
constexpr std::array<int16_t, 256> MuLawTable()
{
    constexpr int kStart[8] = {7648, 3936, 1952, 960, 464, 216, 92, 30};
    constexpr int kStep[8] = {256, 128, 64, 32, 16, 8, 4, 2};
    std::array<int16_t, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const int sign = b >= 0x80 ? 1 : -1;
        const int code = b | 0x80;
        const int segment = (code >> 4) & 7;
        const int first = segment == 0 ? 0x81 : 0x80 + 16 * segment;
        const int value = code == 0x80 ? 255 : kStart[segment] - kStep[segment] * (code - first);
        table[static_cast<size_t>(b)] = static_cast<int16_t>(value * sign * 4);
    }
    return table;
}

constexpr std::array<int16_t, 256> kMuLaw = MuLawTable();

// Offsets above 2 GiB wrap as the library's own 32-bit seek did; no file the
// layer serves is that large.
int OggSeek(void* file, ogg_int64_t offset, int origin)
{
    if (!file)
        return -1;
    return PakFSeek(static_cast<PakFileHandle*>(file), static_cast<int32_t>(offset), origin);
}

const ov_callbacks kOggCallbacks{
    [](void* to, size_t size, size_t count, void* file) {
        return PakFRead(to, size, count, static_cast<PakFileHandle*>(file));
    },
    OggSeek,
    [](void* file) { return PakFClose(static_cast<PakFileHandle*>(file)); },
    [](void* file) { return PakFTell(static_cast<PakFileHandle*>(file)); },
};

} // namespace

std::unique_ptr<Platform::SoundBuffer> DSoundManager::MakeBuffer(const Platform::PcmFormat& format, uint32_t size)
{
    return mOutput ? mOutput->CreateBuffer(format, size) : nullptr;
}

void DSoundManager::Install(unsigned int id, std::unique_ptr<Platform::SoundBuffer> buffer)
{
    if (id >= kMaxSounds)
        return;
    std::lock_guard lock(mSlotLock);
    mSoundDataSizes[id] = buffer ? buffer->Size() : 0;
    mSoundBuffers[id] = std::move(buffer);
}

bool DSoundManager::ReadWavFile(unsigned int id, const std::string& path)
{
    Install(id, nullptr);
    SoundFile file(path);
    if (!file)
        return false;
    const int64_t length = file.Length();
    uint32_t riffSize = 0;
    if (length < 0 || !file.Tag("RIFF") || !file.Little(riffSize) || !file.Tag("WAVE"))
        return false;
    Platform::PcmFormat format{1, 22050, 16};
    uint8_t key = 0;
    if (PakFEof(file.Handle()))
        return false;

    uint32_t dataSize = 0;
    int64_t dataStart = 0;
    for (;;) {
        char tag[4];
        uint32_t size = 0;
        if (!file.Read(tag, 4) || !file.Little(size))
            return false;
        const int64_t body = PakFTell(file.Handle());
        if (body < 0)
            return false;
        if (std::memcmp(tag, "fmt ", 4) == 0) {
            uint16_t formatTag = 0, alignment = 0;
            uint32_t bytesPerSecond = 0;
            if (!file.Little(formatTag) || !file.Little(format.channels) || !file.Little(format.sampleRate)
                || !file.Little(bytesPerSecond) || !file.Little(alignment) || !file.Little(format.bitsPerSample)
                || formatTag != 1)
                return false;
        } else if (std::memcmp(tag, "dep ", 4) == 0) {
            uint16_t pathLength = 0;
            if (!file.Little(pathLength))
                return false;
            std::string source(std::min<size_t>(pathLength, kMaxDepPathLength), '\0');
            uint32_t low = 0, high = 0;
            if (!file.Read(source.data(), source.size()) || !file.Little(low) || !file.Little(high))
                return false;
            const uint64_t time = GetSourceFileTime(source);
            if (static_cast<uint32_t>(time) != low || static_cast<uint32_t>(time >> 32) != high)
                return false;
        } else if (std::memcmp(tag, "xor ", 4) == 0) {
            if (!file.Read(&key, 1))
                return false;
        } else if (std::memcmp(tag, "data", 4) == 0) {
            dataSize = size;
            dataStart = body;
            break;
        }
        // No pad byte after an odd size: the cache's one-byte "xor " chunk
        // is followed directly by the next.
        const int64_t next = body + static_cast<int64_t>(size);
        if (next >= length || PakFSeek(file.Handle(), static_cast<long>(next), SEEK_SET) != 0
            || PakFEof(file.Handle()))
            return false;
    }
    if (dataSize > length - dataStart)
        return false;

    std::unique_ptr<Platform::SoundBuffer> buffer = MakeBuffer(format, dataSize);
    if (!buffer)
        return false;
    uint32_t locked = 0;
    uint8_t* samples = buffer->Lock(0, dataSize, locked);
    const size_t read = PakFRead(samples, 1, locked, file.Handle());
    for (uint32_t i = 0; i < locked; ++i)
        samples[i] ^= key;
    buffer->Unlock();
    if (read != dataSize)
        return false;
    Install(id, std::move(buffer));
    return true;
}

bool DSoundManager::ReadMp3File(unsigned int id, const std::string& path)
{
    Install(id, nullptr);
    if (!mUseFMod || !mFMod)
        return false;
    // Held to the effects' cap like every other decoded effect; the sample
    // library's own larger cap is for songs.
    const uint32_t sample = mFMod->SampleLoad(-1, path, 0, kMaxDecodedSoundBytes);
    if (sample == 0)
        return false;
    const uint32_t mode = mFMod->SampleGetMode(sample);
    int frequency = 0;
    mFMod->SampleGetDefaults(sample, &frequency);
    const Platform::PcmFormat format{static_cast<uint16_t>((mode & Platform::kSampleMono) ? 1 : 2),
                                     static_cast<uint32_t>(frequency),
                                     static_cast<uint16_t>((mode & Platform::kSample8Bits) ? 8 : 16)};
    const uint64_t size = static_cast<uint64_t>(mFMod->SampleGetLength(sample)) * format.BlockAlign();
    std::unique_ptr<Platform::SoundBuffer> buffer =
        size <= UINT32_MAX ? MakeBuffer(format, static_cast<uint32_t>(size)) : nullptr;
    bool copied = false;
    if (buffer) {
        uint32_t locked = 0;
        uint8_t* to = buffer->Lock(0, buffer->Size(), locked);
        void* from = nullptr;
        void* second = nullptr;
        uint32_t fromLength = 0, secondLength = 0;
        if (mFMod->SampleLock(sample, 0, locked, &from, &second, &fromLength, &secondLength)) {
            std::memcpy(to, from, std::min(fromLength, locked));
            mFMod->SampleUnlock(sample);
            copied = true;
        }
        buffer->Unlock();
    }
    mFMod->SampleFree(sample);
    if (!copied)
        return false;
    Install(id, std::move(buffer));
    return true;
}

bool DSoundManager::ReadOggFile(unsigned int id, const std::string& path)
{
    Install(id, nullptr);
    SoundFile file(path);
    if (!file)
        return false;
    OggVorbis_File vorbis{};
    if (ov_open_callbacks(file.Handle(), &vorbis, nullptr, 0, kOggCallbacks) < 0)
        return false;
    // From here the decoder closes the file.
    file.Release();
    const vorbis_info* info = ov_info(&vorbis, -1);
    const ogg_int64_t frames = ov_pcm_total(&vorbis, -1);
    Platform::PcmFormat format{0, 0, 16};
    if (info && info->channels > 0 && info->channels <= 2 && info->rate > 0)
        format = {static_cast<uint16_t>(info->channels), static_cast<uint32_t>(info->rate), 16};
    // A negative total is an error code; a total past the cap is not loaded.
    const uint64_t frameBytes = std::max(format.BlockAlign(), 1u);
    const bool sized = frames >= 0 && static_cast<uint64_t>(frames) <= kMaxDecodedSoundBytes / frameBytes;
    std::unique_ptr<Platform::SoundBuffer> buffer =
        sized ? MakeBuffer(format, static_cast<uint32_t>(frames * format.BlockAlign())) : nullptr;
    if (!buffer) {
        ov_clear(&vorbis);
        return false;
    }
    uint32_t remaining = 0;
    char* to = reinterpret_cast<char*>(buffer->Lock(0, buffer->Size(), remaining));
    while (remaining > 0) {
        int section = 0;
        const long got = ov_read(&vorbis, to, static_cast<int>(std::min<uint32_t>(remaining, INT_MAX)), &section);
        if (got <= 0)
            break;
        to += got;
        remaining -= static_cast<uint32_t>(got);
    }
    buffer->Unlock();
    ov_clear(&vorbis);
    if (remaining != 0)
        return false;
    Install(id, std::move(buffer));
    return true;
}

bool DSoundManager::ReadAuFile(unsigned int id, const std::string& path)
{
    Install(id, nullptr);
    SoundFile file(path);
    if (!file)
        return false;
    const int64_t length = file.Length();
    uint32_t dataOffset = 0, dataSize = 0, encoding = 0, rate = 0, channels = 0;
    if (length < 0 || !file.Tag(".snd") || !file.Big(dataOffset) || !file.Big(dataSize) || !file.Big(encoding)
        || !file.Big(rate) || !file.Big(channels))
        return false;
    // Sizes from the header are believed only as far as the file goes.
    if (dataOffset > length || dataSize > length - dataOffset
        || PakFSeek(file.Handle(), static_cast<long>(dataOffset), SEEK_SET) != 0)
        return false;
    uint64_t bufferSize = dataSize;
    uint16_t bits = 8;
    if (encoding == 1) {
        bits = 16;
        bufferSize = 2 * static_cast<uint64_t>(dataSize);
    } else if (encoding != 2) {
        return false;
    }
    if (channels < 1 || channels > 2 || bufferSize > UINT32_MAX)
        return false;
    std::unique_ptr<Platform::SoundBuffer> buffer =
        MakeBuffer({static_cast<uint16_t>(channels), rate, bits}, static_cast<uint32_t>(bufferSize));
    if (!buffer)
        return false;
    std::vector<uint8_t> data(dataSize);
    const size_t read = PakFRead(data.data(), 1, dataSize, file.Handle());
    file.Close();
    uint32_t locked = 0;
    uint8_t* to = buffer->Lock(0, buffer->Size(), locked);
    if (encoding == 1) {
        for (size_t i = 0; i < data.size(); ++i) {
            const uint16_t sample = static_cast<uint16_t>(kMuLaw[data[i]]);
            to[2 * i] = static_cast<uint8_t>(sample);
            to[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
        }
    } else {
        // Signed 8-bit here, unsigned in the buffer.
        for (size_t i = 0; i < data.size(); ++i)
            to[i] = data[i] ^ 0x80;
    }
    buffer->Unlock();
    if (read != dataSize)
        return false;
    Install(id, std::move(buffer));
    return true;
}

bool DSoundManager::WriteWavCache(const std::string& cachePath, unsigned int id, const std::string& sourcePath)
{
    if (cachePath.empty() || id >= kMaxSounds)
        return false;
    std::vector<uint8_t> out;
    {
        std::lock_guard lock(mSlotLock);
        Platform::SoundBuffer* buffer = mSoundBuffers[id].get();
        if (!buffer)
            return false;
        uint32_t size = 0;
        const uint8_t* samples = buffer->Lock(0, mSoundDataSizes[id], size);
        if (!samples)
            return false;
        const uint64_t time = GetSourceFileTime(sourcePath);
        out.reserve(71 + sourcePath.size() + size);
        PutWavHead(out, size + 36, buffer->Format());
        PutTag(out, "dep ");
        PutLittle(out, static_cast<uint32_t>(sourcePath.size() + 10), 4);
        PutLittle(out, static_cast<uint32_t>(sourcePath.size()), 2);
        out.insert(out.end(), sourcePath.begin(), sourcePath.end());
        PutLittle(out, static_cast<uint32_t>(time), 4);
        PutLittle(out, static_cast<uint32_t>(time >> 32), 4);
        PutTag(out, "xor ");
        PutLittle(out, 1, 4);
        out.push_back(kSoundCacheKey);
        PutTag(out, "data");
        PutLittle(out, size, 4);
        for (uint32_t i = 0; i < size; ++i)
            out.push_back(samples[i] ^ kSoundCacheKey);
        buffer->Unlock();
    }
    return Platform::WriteFileAtomically(Platform::ResolveFileName(cachePath), out.data(), out.size());
}

uint64_t DSoundManager::GetSourceFileTime(const std::string& path)
{
    return PakGetFileTime(path.c_str());
}

} // namespace Vorn
