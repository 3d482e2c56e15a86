#pragma once
// A small ProTracker "M.K." module, written byte by byte for the music tests:
// 4 channels and one sample, a 32-byte square wave looping whole. Pattern p
// plays note period periods[p] with that sample on the first channel (the
// left side) from its first row; every pattern sets speed 1 (effect F01) on
// its first row and breaks to the next order (D00) on row kModuleRows - 1, so
// each order lasts kModuleRows ticks of kModuleTickFrames output frames.
//
// Layout (multi-byte numbers big-endian): 20-byte title; 31 sample records
// of 30 bytes (22-byte name, u16 length in words, finetune, volume 0..64,
// u16 repeat start and u16 repeat length in words); song length; restart
// byte; 128-byte order table; "M.K."; per pattern 64 rows of 4 channels of
// 4-byte cells; then the samples' signed 8-bit data.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Testing {

inline constexpr int kModuleRows = 8;
// One tick at the default 125 beats per minute: 2.5 / 125 s at 44.1 kHz.
inline constexpr size_t kModuleTickFrames = 882;
inline constexpr size_t kModuleOrderFrames = kModuleRows * kModuleTickFrames;
// Where the patterns begin: everything before is the header.
inline constexpr size_t kModuleHeaderBytes = 1084;
inline constexpr uint16_t kLowPeriod = 428;
inline constexpr uint16_t kHighPeriod = 214;

std::string TrackerModule(const std::vector<uint8_t>& orders, const std::vector<uint16_t>& periods);
// Orders 0 and 1 play patterns 1 and 0: the high note, then the low one.
std::string TwoOrderModule();
// The first `frames` stereo frames of TwoOrderModule() as the module library
// renders it from its start.
std::vector<int16_t> RenderedTwoOrderModule(size_t frames);
// The tone a period plays with the module's sample: the PAL clock over the
// period, over the 32 samples of one cycle.
double ModuleTone(uint16_t period);

} // namespace Testing
