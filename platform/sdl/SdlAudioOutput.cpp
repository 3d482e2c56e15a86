#include "platform/AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <mutex>

namespace Platform {

namespace {

constexpr Uint16 kDeviceFrames = 1024;

std::atomic<uint32_t> gLineVolume{kFullLineVolume};
std::mutex gOutputLock;
std::weak_ptr<AudioMixer> gOutput;

void Pull(void* mixer, Uint8* stream, int bytes)
{
    static_cast<AudioMixer*>(mixer)->Mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(bytes) / 4,
                                         gLineVolume.load(std::memory_order_relaxed));
}

} // namespace

std::shared_ptr<AudioMixer> AcquireAudioOutput()
{
    std::lock_guard lock(gOutputLock);
    if (std::shared_ptr<AudioMixer> open = gOutput.lock())
        return open;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return nullptr;
    auto mixer = std::make_unique<AudioMixer>();
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(kOutputRate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kDeviceFrames;
    wanted.callback = Pull;
    wanted.userdata = mixer.get();
    // Without allowed changes SDL converts to whatever the device takes.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    SDL_PauseAudioDevice(device, 0);
    // The device stops pulling before its mixer goes.
    std::shared_ptr<AudioMixer> output(mixer.release(), [device](AudioMixer* closing) {
        SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        delete closing;
    });
    gOutput = output;
    return output;
}

uint32_t GetLineVolume()
{
    return gLineVolume.load(std::memory_order_relaxed);
}

void SetLineVolume(uint32_t volume)
{
    gLineVolume.store(std::min(volume, kFullLineVolume), std::memory_order_relaxed);
}

} // namespace Platform
