#include "fakes/TempDir.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/PakInterface.h"
#include "tools/PakWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using ImageLib::Image;

constexpr uint32_t kPng = 0xFF102030;
constexpr uint32_t kTga = 0x80405060;

TEST(Image, CreatedImageIsZeroAndEmptyOrOversizedShapesAreRefused)
{
    const auto image = Image::Create(2, 3);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth() * image->GetHeight(), 6);
    EXPECT_EQ(std::count(image->GetBits(), image->GetBits() + 6, 0u), 6);
    for (const auto& [w, h] : {std::pair{0, 5}, {5, -1}, {8192, 4097}, {16384, 16384}, {1, 1 << 30}})
        EXPECT_EQ(Image::Create(w, h), nullptr) << w << " x " << h;
    // 2^25 pixels, 128 MiB of words, is the largest image made.
    EXPECT_NE(Image::Create(1, 1 << 25), nullptr);
}

class ImageLoader : public ::testing::Test {
protected:
    ImageLoader()
    {
        Tga("logo.tga", 10);
        Png("logo.png", 1, kPng);
        Tga("two.tga", 2);
        Png("two.png", 1, kPng);
        Png("data.v2/pic.png", 1, kPng);
    }

    void Png(const std::string& name, int width, uint32_t colour)
    {
        auto image = Image::Create(width, 1);
        std::fill_n(image->GetBits(), width, colour);
        std::filesystem::create_directories(std::filesystem::path(mDir / name).parent_path());
        ASSERT_TRUE(ImageLib::WritePNGImage(mDir / name, *image));
    }

    // One pixel; type 10 (run-length) is a file the reader refuses.
    void Tga(const std::string& name, char type)
    {
        const char header[18] = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 0x28};
        mDir.WriteFile(name, std::string(header, 18) + "\x60\x50\x40\x80");
    }

    Testing::TempDir mDir;
};

TEST_F(ImageLoader, NamesPickTheFileTheReaderAndTheAlphaImage)
{
    struct {
        const char* requested;
        uint32_t firstPixel; // 0: no image
        const char* alphaFile = nullptr;
        int alphaWidth = 1;
    } const cases[] = {
        {"logo", kPng}, // a file that fails is skipped
        {"two", kTga},  // TGA is tried before PNG
        {"two.png", kPng}, {"two.PNG", kPng}, {"data.v2/pic", kPng}, {"two.bmp", 0}, {"none", 0},
        {"two.png", 0xC4102030, "_two.png"}, {"logo", 0xC4102030, "logo_.png"},
        {"two.png", kPng, "_two.png", 2}, // an alpha image of another size is left out
        {"ghost.png", 0xC4123456, "_ghost.png", 2}, // alone it takes the alpha-only colour's low 24 bits
    };
    ImageLib::gAlphaOnlyColor = 0xEE123456;
    for (const auto& c : cases) {
        if (c.alphaFile)
            Png(c.alphaFile, c.alphaWidth, 0xFF0000C4);
        const auto image = ImageLib::LoadImageFile(mDir / c.requested, c.alphaFile != nullptr);
        EXPECT_EQ(image ? image->GetBits()[0] : 0, c.firstPixel) << c.requested << (c.alphaFile ? " with alpha" : "");
    }
    ImageLib::gAlphaOnlyColor = 0xFFFFFF;
}

TEST_F(ImageLoader, ReadsImageAndAlphaFromTheArchiveByBackslashNames)
{
    Png("_two.png", 1, 0xFF0000C4);
    std::vector<Tools::PakFile> files;
    for (const char* name : {"two.png", "_two.png"}) {
        std::ifstream in(mDir / name, std::ios::binary);
        files.push_back({std::string("imagelibpak\\") + name, std::string(std::istreambuf_iterator<char>(in), {})});
    }
    ASSERT_TRUE(Tools::WritePak(mDir / "images.pak", files));
    ASSERT_TRUE(Vorn::gPakInterface->AddArchive(mDir / "images.pak"));
    const auto image = ImageLib::LoadImageFile("ImageLibPak\\Two.png", true);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetBits()[0], 0xC4102030u);
}

} // namespace
