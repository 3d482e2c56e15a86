#include "platform/AudioDecoder.h"

#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <libopenmpt/libopenmpt.h>
#include <mpg123.h>
#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Platform {

namespace {

uint32_t Little(const uint8_t* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// Plain PCM from a RIFF file. Chunks are word-aligned here, as the format
// has them.
class WavSource final : public PcmSource {
public:
    static std::unique_ptr<PcmSource> Open(std::vector<uint8_t> file)
    {
        const uint64_t size = file.size();
        if (size < 12 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
            return nullptr;
        PcmFormat format;
        bool haveFormat = false;
        for (uint64_t at = 12; at + 8 <= size;) {
            const uint8_t* chunk = file.data() + at;
            const uint64_t bodySize = Little(chunk + 4, 4);
            const uint64_t body = at + 8;
            if (std::memcmp(chunk, "fmt ", 4) == 0) {
                if (bodySize < 16 || body + 16 > size || Little(chunk + 8, 2) != 1)
                    return nullptr;
                format = {static_cast<uint16_t>(Little(chunk + 10, 2)), Little(chunk + 12, 4),
                          static_cast<uint16_t>(Little(chunk + 22, 2))};
                haveFormat = true;
            } else if (std::memcmp(chunk, "data", 4) == 0) {
                if (!haveFormat || format.channels < 1 || format.channels > 2
                    || (format.bitsPerSample != 8 && format.bitsPerSample != 16))
                    return nullptr;
                const uint64_t bytes = std::min(bodySize, size - body);
                return std::unique_ptr<PcmSource>(new WavSource(std::move(file), format, body, bytes));
            }
            at = body + bodySize + (bodySize & 1);
        }
        return nullptr;
    }

    uint16_t Channels() const override { return mFormat.channels; }
    uint32_t SampleRate() const override { return mFormat.sampleRate; }

    size_t Read(int16_t* out, size_t frames) override
    {
        const uint64_t count = std::min<uint64_t>(frames, mFrames - mFrame);
        const size_t samples = static_cast<size_t>(count) * mFormat.channels;
        const uint8_t* from = mFile.data() + mStart + mFrame * mFormat.BlockAlign();
        for (size_t i = 0; i < samples; ++i) {
            out[i] = mFormat.bitsPerSample == 8 ? static_cast<int16_t>((from[i] - 128) * 256)
                                                : static_cast<int16_t>(Little(from + 2 * i, 2));
        }
        mFrame += count;
        return static_cast<size_t>(count);
    }

    bool Seek(uint64_t frame) override
    {
        if (frame > mFrames)
            return false;
        mFrame = frame;
        return true;
    }

private:
    WavSource(std::vector<uint8_t> file, const PcmFormat& format, uint64_t start, uint64_t bytes)
        : mFile(std::move(file)), mFormat(format), mStart(start), mFrames(bytes / format.BlockAlign())
    {
    }

    const std::vector<uint8_t> mFile;
    const PcmFormat mFormat;
    const uint64_t mStart;
    const uint64_t mFrames;
    uint64_t mFrame = 0;
};

// Bytes in memory as a file, for the decoders' read callbacks.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;

    size_t Read(void* to, size_t count)
    {
        const size_t got = static_cast<size_t>(std::min<uint64_t>(count, bytes.size() - position));
        if (got == 0)
            return 0;
        std::memcpy(to, bytes.data() + position, got);
        position += got;
        return got;
    }

    // The new position, or -1 when it would lie outside the file.
    int64_t Seek(int64_t offset, int whence)
    {
        int64_t base = 0;
        if (whence == SEEK_CUR)
            base = static_cast<int64_t>(position);
        else if (whence == SEEK_END)
            base = static_cast<int64_t>(bytes.size());
        else if (whence != SEEK_SET)
            return -1;
        if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0
            || base + offset > static_cast<int64_t>(bytes.size()))
            return -1;
        position = static_cast<uint64_t>(base + offset);
        return static_cast<int64_t>(position);
    }
};

class OggSource final : public PcmSource {
public:
    static std::unique_ptr<PcmSource> Open(std::vector<uint8_t> file)
    {
        std::unique_ptr<OggSource> source(new OggSource(std::move(file)));
        const ov_callbacks callbacks{
            [](void* to, size_t size, size_t count, void* from) -> size_t {
                if (size == 0)
                    return 0;
                return static_cast<MemoryFile*>(from)->Read(to, size * count) / size;
            },
            [](void* from, ogg_int64_t offset, int whence) -> int {
                return static_cast<MemoryFile*>(from)->Seek(offset, whence) < 0 ? -1 : 0;
            },
            nullptr,
            [](void* from) -> long { return static_cast<long>(static_cast<MemoryFile*>(from)->position); },
        };
        if (ov_open_callbacks(&source->mFile, &source->mVorbis, nullptr, 0, callbacks) < 0)
            return nullptr;
        source->mOpen = true;
        const vorbis_info* info = ov_info(&source->mVorbis, -1);
        if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0)
            return nullptr;
        source->mChannels = static_cast<uint16_t>(info->channels);
        source->mRate = static_cast<uint32_t>(info->rate);
        return source;
    }

    ~OggSource() override
    {
        if (mOpen)
            ov_clear(&mVorbis);
    }

    uint16_t Channels() const override { return mChannels; }
    uint32_t SampleRate() const override { return mRate; }

    size_t Read(int16_t* out, size_t frames) override
    {
        const size_t frameBytes = 2u * mChannels;
        char* to = reinterpret_cast<char*>(out);
        size_t bytes = frames * frameBytes;
        size_t done = 0;
        while (bytes - done >= frameBytes) {
            int section = 0;
            const int ask = static_cast<int>(std::min<size_t>(bytes - done, 1 << 20));
            const long got = ov_read(&mVorbis, to + done, ask, &section);
            // A hole in the stream is skipped; its end or damage ends the read.
            if (got == OV_HOLE)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done / frameBytes;
    }

    bool Seek(uint64_t frame) override { return ov_pcm_seek(&mVorbis, static_cast<ogg_int64_t>(frame)) == 0; }

private:
    explicit OggSource(std::vector<uint8_t> file) : mFile{std::move(file)} {}

    MemoryFile mFile;
    OggVorbis_File mVorbis{};
    bool mOpen = false;
    uint16_t mChannels = 0;
    uint32_t mRate = 0;
};

class Mp3Source final : public PcmSource {
public:
    static std::unique_ptr<PcmSource> Open(std::vector<uint8_t> file)
    {
        std::unique_ptr<Mp3Source> source(new Mp3Source(std::move(file)));
        mpg123_handle* handle = mpg123_new(nullptr, nullptr);
        if (!handle)
            return nullptr;
        source->mHandle = handle;
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
        mpg123_format_none(handle);
        const long* rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        const auto read = [](void* from, void* to, size_t count) -> ssize_t {
            return static_cast<ssize_t>(static_cast<MemoryFile*>(from)->Read(to, count));
        };
        const auto seek = [](void* from, off_t offset, int whence) -> off_t {
            return static_cast<off_t>(static_cast<MemoryFile*>(from)->Seek(offset, whence));
        };
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        if (mpg123_replace_reader_handle(handle, read, seek, nullptr) != MPG123_OK
            || mpg123_open_handle(handle, &source->mFile) != MPG123_OK
            || mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels < 1
            || channels > 2)
            return nullptr;
        // The format is fixed from here on, whatever later frames say.
        mpg123_format_none(handle);
        mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16);
        source->mChannels = static_cast<uint16_t>(channels);
        source->mRate = static_cast<uint32_t>(rate);
        return source;
    }

    ~Mp3Source() override
    {
        if (mHandle) {
            mpg123_close(mHandle);
            mpg123_delete(mHandle);
        }
    }

    uint16_t Channels() const override { return mChannels; }
    uint32_t SampleRate() const override { return mRate; }

    size_t Read(int16_t* out, size_t frames) override
    {
        const size_t frameBytes = 2u * mChannels;
        unsigned char* to = reinterpret_cast<unsigned char*>(out);
        const size_t bytes = frames * frameBytes;
        size_t done = 0;
        while (done < bytes) {
            size_t got = 0;
            const int result = mpg123_read(mHandle, to + done, bytes - done, &got);
            done += got;
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                break;
            if (got == 0 && result == MPG123_OK)
                break;
        }
        return done / frameBytes;
    }

    bool Seek(uint64_t frame) override
    {
        return mpg123_seek(mHandle, static_cast<off_t>(frame), SEEK_SET) >= 0;
    }

private:
    explicit Mp3Source(std::vector<uint8_t> file) : mFile{std::move(file)} {}

    MemoryFile mFile;
    mpg123_handle* mHandle = nullptr;
    uint16_t mChannels = 0;
    uint32_t mRate = 0;
};

class ModuleSource final : public PcmSource {
public:
    static std::unique_ptr<PcmSource> Open(const uint8_t* data, size_t size)
    {
        // Without dither the same song renders the same samples every time;
        // its end is where it would loop, with no fading tail after it.
        const openmpt_module_initial_ctl settings[] = {{"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
        openmpt_module* module = openmpt_module_create_from_memory2(data, size, openmpt_log_func_silent, nullptr,
                                                                    openmpt_error_func_ignore, nullptr, nullptr,
                                                                    nullptr, settings);
        if (!module)
            return nullptr;
        return std::unique_ptr<PcmSource>(new ModuleSource(module));
    }

    ~ModuleSource() override { openmpt_module_destroy(mModule); }

    uint16_t Channels() const override { return 2; }
    uint32_t SampleRate() const override { return kOutputRate; }

    size_t Read(int16_t* out, size_t frames) override
    {
        size_t done = 0;
        while (done < frames) {
            const size_t got = openmpt_module_read_interleaved_stereo(mModule, kOutputRate, frames - done, out + 2 * done);
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

    // Lands on the row playing at that time; past the song's end, at its end.
    bool Seek(uint64_t frame) override
    {
        const double seconds = static_cast<double>(frame) / kOutputRate;
        openmpt_module_set_position_seconds(mModule, seconds);
        return seconds <= openmpt_module_get_duration_seconds(mModule);
    }

    int64_t SeekOrder(int order) override
    {
        if (order < 0 || order >= openmpt_module_get_num_orders(mModule))
            return -1;
        return std::llround(openmpt_module_set_position_order_row(mModule, order, 0) * kOutputRate);
    }

    bool SetRepeat(bool forever) override
    {
        openmpt_module_set_repeat_count(mModule, forever ? -1 : 0);
        return true;
    }

private:
    explicit ModuleSource(openmpt_module* module) : mModule(module) {}

    openmpt_module* const mModule;
};

} // namespace

std::unique_ptr<PcmSource> OpenPcmSource(std::vector<uint8_t> file)
{
    if (file.size() >= 4 && std::memcmp(file.data(), "RIFF", 4) == 0)
        return WavSource::Open(std::move(file));
    if (file.size() >= 4 && std::memcmp(file.data(), "OggS", 4) == 0)
        return OggSource::Open(std::move(file));
    return Mp3Source::Open(std::move(file));
}

std::unique_ptr<PcmSource> OpenModuleSource(const uint8_t* data, size_t size)
{
    return ModuleSource::Open(data, size);
}

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& contents)
{
    return ReadRegularFile(ResolveFileName(name), kMaxAudioFileBytes, contents);
}

} // namespace Platform
