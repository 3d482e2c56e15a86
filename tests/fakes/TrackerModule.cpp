#include "fakes/TrackerModule.h"

#include "platform/AudioDecoder.h"

#include <algorithm>
#include <cstring>

namespace Testing {

namespace {

constexpr size_t kModuleSampleRecords = 31;
constexpr size_t kModuleSampleRecordBytes = 30;
constexpr size_t kModulePatternBytes = 64 * 4 * 4;
constexpr size_t kModuleSquareBytes = 32;

void PutBig16(std::string& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<char>(value >> 8);
    bytes[at + 1] = static_cast<char>(value);
}

void PutCell(std::string& bytes, size_t at, uint8_t sample, uint16_t period, uint8_t effect, uint8_t parameter)
{
    bytes[at] = static_cast<char>((sample & 0xF0) | (period >> 8));
    bytes[at + 1] = static_cast<char>(period);
    bytes[at + 2] = static_cast<char>((sample & 0x0F) << 4 | effect);
    bytes[at + 3] = static_cast<char>(parameter);
}

} // namespace

std::string TrackerModule(const std::vector<uint8_t>& orders, const std::vector<uint16_t>& periods)
{
    const size_t patterns = periods.size();
    std::string bytes(kModuleHeaderBytes + patterns * kModulePatternBytes, '\0');
    std::memcpy(bytes.data(), "test tune", 9);
    for (size_t record = 0; record < kModuleSampleRecords; ++record)
        PutBig16(bytes, 20 + record * kModuleSampleRecordBytes + 28, 1);
    // Sample 1: the square wave, full volume, looping from its start.
    const size_t square = 20;
    std::memcpy(bytes.data() + square, "square", 6);
    PutBig16(bytes, square + 22, kModuleSquareBytes / 2);
    bytes[square + 25] = 64;
    PutBig16(bytes, square + 28, kModuleSquareBytes / 2);
    bytes[950] = static_cast<char>(orders.size());
    bytes[951] = 127;
    std::copy(orders.begin(), orders.end(), bytes.begin() + 952);
    std::memcpy(bytes.data() + 1080, "M.K.", 4);
    for (size_t pattern = 0; pattern < patterns; ++pattern) {
        const size_t start = kModuleHeaderBytes + pattern * kModulePatternBytes;
        PutCell(bytes, start, 1, periods[pattern], 0, 0);
        PutCell(bytes, start + 4, 0, 0, 0xF, 1);
        PutCell(bytes, start + (kModuleRows - 1) * 16 + 4, 0, 0, 0xD, 0);
    }
    for (size_t i = 0; i < kModuleSquareBytes; ++i)
        bytes += static_cast<char>(i < kModuleSquareBytes / 2 ? 64 : -64);
    return bytes;
}

std::string TwoOrderModule()
{
    return TrackerModule({1, 0}, {kLowPeriod, kHighPeriod});
}

std::vector<int16_t> RenderedTwoOrderModule(size_t frames)
{
    const std::string module = TwoOrderModule();
    auto source = Platform::OpenModuleSource(reinterpret_cast<const uint8_t*>(module.data()), module.size());
    std::vector<int16_t> samples(2 * frames);
    samples.resize(2 * source->Read(samples.data(), frames));
    return samples;
}

double ModuleTone(uint16_t period)
{
    return 3546895.0 / period / kModuleSquareBytes;
}

} // namespace Testing
