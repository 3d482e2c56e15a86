#pragma once
// The process's one audio output: the system's default audio device at
// 44.1 kHz, 16-bit stereo, pulling its mixer from the device's own thread.
// Sound effects and music share it, and it stays open while anyone holds it.
//
// The line volume stands in for the system mixer's wave-output volume: a
// stored value 0..65535 (65535 at first) that scales everything the output
// plays. The desktop's own volume is never touched.

#include "platform/AudioMixer.h"

#include <cstdint>
#include <memory>

namespace Platform {

// The open output's mixer, opening the device for the first holder. Null when
// no device can be opened: the program then plays on without sound.
std::shared_ptr<AudioMixer> AcquireAudioOutput();

uint32_t GetLineVolume();
// Held to 0..65535.
void SetLineVolume(uint32_t volume);

} // namespace Platform
