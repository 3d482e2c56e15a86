// Decoding cost of the two formats the game's pictures come in, from bytes
// already in memory. The picture is one megapixel, so the time per iteration
// reads as milliseconds per megapixel.

#include "framework/resources/ImageDecoders.h"
#include "framework/resources/ImageLib.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kSide = 1000;

// Smooth shading with a little noise, like a rendered sprite sheet.
std::unique_ptr<ImageLib::Image> MakePicture()
{
    auto image = ImageLib::Image::Create(kSide, kSide);
    std::mt19937 rng(11);
    uint32_t* p = image->GetBits();
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const uint32_t noise = rng() & 7;
            *p++ = (x ^ y) << 24 | ((x / 4 + noise) & 0xFF) << 16 | ((y / 4 + noise) & 0xFF) << 8 | ((x + y) / 8 & 0xFF);
        }
    }
    return image;
}

Bytes Encoded(bool (*write)(const std::string&, const ImageLib::Image&), const char* extension)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("zarquel-bench-" + std::to_string(std::random_device{}()) + extension);
    write(path.string(), *MakePicture());
    std::ifstream in(path, std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(path);
    return bytes;
}

void Decode(benchmark::State& state, const Bytes& file, std::unique_ptr<ImageLib::Image> (*decode)(std::span<const uint8_t>))
{
    if (!decode(file))
        state.SkipWithError("the encoded picture does not decode");
    for (auto _ : state)
        benchmark::DoNotOptimize(decode(file));
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_DecodePNG(benchmark::State& state)
{
    static const Bytes file = Encoded(ImageLib::WritePNGImage, ".png");
    Decode(state, file, ImageLib::DecodePNG);
}
BENCHMARK(BM_DecodePNG)->Unit(benchmark::kMillisecond);

void BM_DecodeJPEG(benchmark::State& state)
{
    static const Bytes file = Encoded(ImageLib::WriteJPEGImage, ".jpg");
    Decode(state, file, ImageLib::DecodeJPEG);
}
BENCHMARK(BM_DecodeJPEG)->Unit(benchmark::kMillisecond);

} // namespace
