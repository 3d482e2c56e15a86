// Every sound reader on the same arbitrary bytes: the sound manager's WAV,
// AU and Ogg readers and the music's module loader through the file layer,
// and the music decoders from memory, tracker modules among them. None may
// read or write outside its input or its buffer, hang, or leak.

#include "framework/sound/BassMusicInterface.h"
#include "framework/sound/DSoundManager.h"
#include "platform/AudioDecoder.h"
#include "platform/AudioMixer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Enough to reach past any decoder's first window of frames.
constexpr size_t kMostFrames = 1 << 16;

const std::string& InputFile()
{
    static const std::string path = "/tmp/zarquel-sound-fuzz-" + std::to_string(getpid());
    return path;
}

// Where the four-channel module format keeps its tag, and the tag.
constexpr size_t kModuleTagAt = 1080;
constexpr char kModuleTag[] = "M.K.";

// Reads as a player would: on, then after a jump, then past the end.
void PlaySome(Platform::PcmSource& source, uint64_t farFrame)
{
    std::vector<int16_t> frames(4096 * source.Channels());
    for (size_t read = 0; read < kMostFrames;) {
        const size_t got = source.Read(frames.data(), 4096);
        if (got == 0)
            break;
        read += got;
    }
    source.SeekOrder(1);
    source.Read(frames.data(), 4096);
    source.SetRepeat(true);
    source.Seek(farFrame);
    source.Read(frames.data(), 4096);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(InputFile().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    auto mixer = std::make_shared<Platform::AudioMixer>();
    Vorn::DSoundManager manager(mixer, false);
    manager.ReadWavFile(0, InputFile());
    manager.ReadAuFile(1, InputFile());
    manager.ReadOggFile(2, InputFile());
    // A name without extension is read as a module through the file layer.
    Vorn::BassMusicInterface music(mixer);
    if (music.LoadMusic(1, InputFile())) {
        music.PlayMusic(1, 1, false);
        std::vector<int16_t> mixed(2 * 4096);
        mixer->Mix(mixed.data(), 4096);
    }

    if (auto source = Platform::OpenPcmSource(std::vector<uint8_t>(data, data + size)))
        PlaySome(*source, size);

    if (auto module = Platform::OpenModuleSource(data, size))
        PlaySome(*module, size);
    // With the tag stamped in, most inputs get past that format's header into
    // its patterns and samples.
    if (size >= kModuleTagAt + 4) {
        std::vector<uint8_t> tagged(data, data + size);
        std::memcpy(tagged.data() + kModuleTagAt, kModuleTag, 4);
        if (auto module = Platform::OpenModuleSource(tagged.data(), tagged.size()))
            PlaySome(*module, size);
    }
    return 0;
}
