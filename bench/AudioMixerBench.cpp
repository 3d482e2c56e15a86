// The audio device's load: every 1024 frames (23.2 ms at 44.1 kHz) the mixer
// sums 32 sound voices at mixed pitches and one Ogg Vorbis music stream. At
// most 2% of one core is 464 µs per 1024 frames.

#include "platform/AudioDecoder.h"
#include "platform/AudioMixer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr size_t kFrames = 1024;

// Two minutes of music would take long to encode: ten seconds, looping.
std::vector<uint8_t> OggMusic()
{
    const std::string path = "/tmp/zarquel-bench-music.ogg";
    const std::string command = std::string(SOUND_ENCODE) + " ogg " + path + " 2 44100 441000 440";
    if (std::system(command.c_str()) != 0)
        return {};
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(path.c_str());
    return file;
}

std::unique_ptr<Platform::SoundBuffer> Effect(Platform::AudioMixer& mixer, const Platform::PcmFormat& format)
{
    const uint32_t frames = 22050;
    auto buffer = mixer.CreateBuffer(format, frames * format.BlockAlign());
    uint32_t length = 0;
    uint8_t* bytes = buffer->Lock(0, buffer->Size(), length);
    for (uint32_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(128 + 100 * std::sin(i * 0.05));
    buffer->Unlock();
    return buffer;
}

void BM_MixVoicesAndMusic(benchmark::State& state)
{
    Platform::AudioMixer mixer;
    const Platform::PcmFormat formats[] = {{1, 22050, 16}, {2, 44100, 16}, {1, 11025, 8}, {2, 32000, 8}};
    std::vector<std::unique_ptr<Platform::SoundBuffer>> sources;
    for (const auto& format : formats)
        sources.push_back(Effect(mixer, format));
    std::vector<std::unique_ptr<Platform::SoundBuffer>> voices;
    for (int i = 0; i < 32; ++i) {
        voices.push_back(sources[static_cast<size_t>(i) % 4]->Duplicate());
        voices.back()->SetFrequency(static_cast<uint32_t>(8000 + 2900 * i));
        voices.back()->SetVolume(-20 * i);
        voices.back()->SetPan(600 * i - 9000);
        voices.back()->Play(true);
    }
    std::unique_ptr<Platform::StreamVoice> music;
    if (state.range(0) == 1) {
        music = mixer.CreateStream(Platform::OpenPcmSource(OggMusic()));
        if (!music) {
            state.SkipWithError("no Ogg stream");
            return;
        }
        music->SetLooping(true);
        music->Play(true);
    }
    std::vector<int16_t> out(2 * kFrames);
    for (auto _ : state) {
        mixer.Mix(out.data(), kFrames);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kFrames));
}
BENCHMARK(BM_MixVoicesAndMusic)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
