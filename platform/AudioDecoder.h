#pragma once
// Decoders of whole audio files held in memory, read as 16-bit frames: WAV
// (PCM, 8 or 16 bits), Ogg Vorbis and MP3, told apart by their first bytes
// ("RIFF", "OggS", anything else is tried as MP3). The music engines stream
// from them and load their samples through them.

#include "platform/AudioMixer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

// Null when the bytes are none of the three, or a WAV file is not plain PCM
// of 1 or 2 channels.
std::unique_ptr<PcmSource> OpenPcmSource(std::vector<uint8_t> file);

// The whole disk file (the name as the framework writes it), or false.
bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& contents);

} // namespace Platform
