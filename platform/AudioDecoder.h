#pragma once
// Decoders of whole audio files held in memory, read as 16-bit frames: WAV
// (PCM, 8 or 16 bits), Ogg Vorbis and MP3, told apart by their first bytes
// ("RIFF", "OggS", anything else is tried as MP3), and tracker modules. The
// music engines stream from them and load their samples through them.

#include "platform/AudioMixer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform {

// Null when the bytes are none of the three, or a WAV file is not plain PCM
// of 1 or 2 channels.
std::unique_ptr<PcmSource> OpenPcmSource(std::vector<uint8_t> file);

// A tracker module (MOD, XM, S3M, IT and the other formats the module library
// reads) rendered as stereo at the output rate. Null when the bytes are no
// module the library can read. It plays its order list once until told to
// repeat.
std::unique_ptr<PcmSource> OpenModuleSource(const uint8_t* data, size_t size);

// Larger audio files are refused rather than read whole into memory.
inline constexpr uint64_t kMaxAudioFileBytes = 256u << 20;

// The whole disk file (the name as the framework writes it), or false; only
// a regular file is read.
bool ReadWholeFile(const std::string& name, std::vector<uint8_t>& contents);

} // namespace Platform
