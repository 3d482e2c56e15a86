// Loading a group of 60 images, 128 x 128 with alpha, the size of the game's
// sprites, from PNG files on the disk: decoding, pooling and palette
// reduction together. Milliseconds per group.

#include "framework/app/VornAppBase.h"
#include "framework/display/DDInterface.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/ResourceManager.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kImages = 60;
constexpr int kImageSide = 128;

class FrozenClock final : public Platform::Clock {
public:
    uint32_t Milliseconds() override { return 0; }
    void Sleep(uint32_t) override {}
};

// Removed at the end of the run.
struct ScratchFolder {
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::filesystem::path path;
};

// The pictures and their manifest, written once for the whole run.
const std::filesystem::path& GameFolder()
{
    static const ScratchFolder folder{[] {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("zarquel-bench-group-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
        std::mt19937 rng(5);
        std::string manifest = "<ResourceManifest><Resources id=\"Game\">";
        for (int i = 0; i < kImages; ++i) {
            auto image = ImageLib::Image::Create(kImageSide, kImageSide);
            uint32_t* p = image->GetBits();
            for (int y = 0; y < kImageSide; ++y) {
                for (int x = 0; x < kImageSide; ++x) {
                    const uint32_t r2 = static_cast<uint32_t>((x - 64) * (x - 64) + (y - 64) * (y - 64));
                    const uint32_t alpha = r2 < 3600 ? 255u : r2 < 4096 ? 128u : 0u;
                    *p++ = alpha << 24 | (rng() & 0x3F3F3F) | static_cast<uint32_t>(i) << 16;
                }
            }
            const std::string name = "ball" + std::to_string(i) + ".png";
            ImageLib::WritePNGImage((dir / name).string(), *image);
            manifest += "<Image path=\"" + (dir / name).string() + "\"/>";
        }
        manifest += "</Resources></ResourceManifest>";
        std::ofstream((dir / "resources.xml").string()) << manifest;
        return dir;
    }()};
    return folder.path;
}

void BM_LoadGroupOf60Images(benchmark::State& state)
{
    const std::string manifest = (GameFolder() / "resources.xml").string();
    FrozenClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        auto app = std::make_unique<Vorn::VornAppBase>(Platform::Services{&clock});
        app->mDDInterface = std::make_unique<Vorn::DDInterface>(app.get());
        auto manager = std::make_unique<Vorn::ResourceManager>(app.get());
        if (!manager->ReadManifestFile(manifest))
            state.SkipWithError(manager->GetErrorText().c_str());
        state.ResumeTiming();
        benchmark::DoNotOptimize(manager->LoadGroup("Game"));
        state.PauseTiming();
        manager.reset();
        app.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadGroupOf60Images)->Unit(benchmark::kMillisecond);

} // namespace
