// Every sound reader on the same arbitrary bytes: the sound manager's WAV,
// AU and Ogg readers through the file layer, and the music decoders from
// memory. None may read or write outside its input or its buffer, hang, or
// leak.

#include "framework/sound/DSoundManager.h"
#include "platform/AudioDecoder.h"
#include "platform/AudioMixer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
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

    if (auto source = Platform::OpenPcmSource(std::vector<uint8_t>(data, data + size))) {
        std::vector<int16_t> frames(4096 * source->Channels());
        for (size_t read = 0; read < kMostFrames;) {
            const size_t got = source->Read(frames.data(), 4096);
            if (got == 0)
                break;
            read += got;
        }
        source->Seek(size);
        source->Read(frames.data(), 4096);
    }
    return 0;
}
