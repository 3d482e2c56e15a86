#include "fakes/ScriptedApp.h"
#include "fakes/SurfaceDisplayApp.h"
#include "fakes/TempDir.h"
#include "framework/app/PathUtils.h"
#include "framework/display/D3DInterface.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageLib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Testing::ScriptedClock;
using Testing::SurfaceDisplayApp;

// The application-data folder of one test.
class AppData {
public:
    AppData() { Vorn::SetAppDataFolder(mFolder.Path()); }
    ~AppData() { Vorn::SetAppDataFolder(""); }
    AppData(const AppData&) = delete;
    std::string Path(const std::string& name) const { return (fs::path(mFolder.Path()) / name).string(); }
    void Touch(const std::string& name) const
    {
        fs::create_directories(fs::path(Path(name)).parent_path());
        std::ofstream(Path(name)) << "x";
    }

private:
    Testing::TempDir mFolder;
};

std::vector<uint32_t> PngPixels(const std::string& path)
{
    const std::unique_ptr<ImageLib::Image> image = ImageLib::ReadPNGImage(path);
    if (!image)
        return {};
    const uint32_t* bits = image->GetBits();
    return std::vector<uint32_t>(bits, bits + static_cast<size_t>(image->GetWidth()) * image->GetHeight());
}

TEST(TakeScreenshot, WritesTheScreenAsOpaqueArgbAtEveryFormat)
{
    // Format; raw surface pixels; the PNG's pixels (the read-out widens each
    // channel by shifting it into the top of the byte).
    const std::tuple<Platform::PixelFormat, std::vector<uint32_t>, std::vector<uint32_t>> cases[] = {
        {Platform::kFormatX8R8G8B8, {0x00123456, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00000000, 0x00FFFFFF},
         {0xFF123456, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF000000, 0xFFFFFFFF}},
        {Platform::kFormatR5G6B5, {0xF800, 0x07E0, 0x001F, 0x8410, 0xFFFF, 0x0821},
         {0xFFF80000, 0xFF00FC00, 0xFF0000F8, 0xFF808080, 0xFFF8FCF8, 0xFF080408}},
        {Platform::kFormatX1R5G5B5, {0x7C00, 0x03E0, 0x001F, 0x4210, 0x7FFF, 0x0421},
         {0xFFF80000, 0xFF00F800, 0xFF0000F8, 0xFF808080, 0xFFF8F8F8, 0xFF080808}},
    };
    for (const auto& [format, raw, expected] : cases) {
        SCOPED_TRACE(format.bitsPerPixel);
        AppData data;
        SurfaceDisplayApp display(format, 3, 2);
        ASSERT_TRUE(display.initialised);
        Platform::Surface* surface = display.Display().mDrawSurface.get();
        ASSERT_NE(surface, nullptr);
        Testing::SurfacePixels(*surface, raw);
        const auto before = display.Display().mDrawSurface;
        display.app.TakeScreenshot();
        EXPECT_EQ(display.Display().mDrawSurface, before);
        EXPECT_EQ(PngPixels(data.Path("_screenshots/image1.png")), expected);
        // The surface is left as it was.
        EXPECT_EQ(Testing::SurfacePixels(*surface), raw);
    }
}

TEST(TakeScreenshot, NumbersAfterTheLargestNumberPresent)
{
    // Files present; the screenshot written.
    struct Case {
        std::vector<std::string> present;
        std::string written;
    };
    const Case cases[] = {
        {{}, "image1.png"},
        {{"image1.png", "image7.png"}, "image8.png"},
        {{"shot5.png", "image.png", "imagex.png"}, "image1.png"},
        {{"image3.png", "image12.txt", "image4b.png"}, "image5.png"},
        {{"image99999999999.png", "image2.png"}, "image3.png"},
        {{"image-4.png"}, "image1.png"},
        {{"image9.PNG"}, "image10.png"},
        {{"png", "ab"}, "image1.png"},
    };
    for (const auto& [present, written] : cases) {
        SCOPED_TRACE(written);
        AppData data;
        for (const std::string& name : present)
            data.Touch("_screenshots/" + name);
        SurfaceDisplayApp display(Platform::kFormatX8R8G8B8, 2, 2);
        display.app.TakeScreenshot();
        EXPECT_TRUE(fs::exists(data.Path("_screenshots/" + written)));
        EXPECT_FALSE(PngPixels(data.Path("_screenshots/" + written)).empty());
    }
}

TEST(TakeScreenshot, WritesNothingWhenNoNumberIsLeftOrThereIsNoDisplay)
{
    AppData data;
    data.Touch("_screenshots/image2147483647.png");
    SurfaceDisplayApp display(Platform::kFormatX8R8G8B8, 2, 2);
    display.app.TakeScreenshot();
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(data.Path("_screenshots")))
        ++files;
    EXPECT_EQ(files, 1u);

    AppData other;
    ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    app.TakeScreenshot();
    EXPECT_FALSE(fs::exists(other.Path("_screenshots")));
}

TEST(DumpThumbnail, RepeatsEachPixelOfA32By16ImageInA2By4Block)
{
    std::vector<uint32_t> source(32 * 16);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = 0xFF000000u | static_cast<uint32_t>(i);
    const std::vector<uint32_t> thumb = Vorn::VornAppBase::DumpThumbnail(source.data(), 32, 16);
    ASSERT_EQ(thumb.size(), 64u * 64u);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(thumb[y * 64 + x], source[(y / 4) * 32 + x / 2]) << x << "," << y;
}

TEST(DumpThumbnail, SamplesTheSourcePixelUnderEachCentre)
{
    // Width, height; the source columns of thumbnail columns 0, 1, 31, 63 and
    // the source rows of thumbnail rows 0 and 63.
    const std::tuple<int, int, std::vector<int>, int, int> cases[] = {
        {100, 3, {0, 2, 49, 99}, 0, 2},
        {1, 1, {0, 0, 0, 0}, 0, 0},
        {65, 130, {0, 1, 31, 64}, 1, 128},
        {3, 64, {0, 0, 1, 2}, 0, 63},
    };
    for (const auto& [width, height, columns, firstRow, lastRow] : cases) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        std::vector<uint32_t> source(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < source.size(); ++i)
            source[i] = static_cast<uint32_t>(i);
        const std::vector<uint32_t> thumb = Vorn::VornAppBase::DumpThumbnail(source.data(), width, height);
        const int thumbColumns[] = {0, 1, 31, 63};
        for (size_t c = 0; c < 4; ++c)
            EXPECT_EQ(thumb[static_cast<size_t>(thumbColumns[c])], static_cast<uint32_t>(firstRow * width + columns[c]));
        EXPECT_EQ(thumb[63 * 64], static_cast<uint32_t>(lastRow * width));
    }
}

std::unique_ptr<Vorn::MemoryImage> MakeImage(Vorn::VornAppBase& app, int width, int height, uint32_t seed)
{
    auto image = std::make_unique<Vorn::MemoryImage>(&app);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | (seed + static_cast<uint32_t>(i) * 0x010203u);
    if (!pixels.empty())
        image->SetBits(pixels.data(), width, height, true);
    return image;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(DumpImages, ListsTheImagesLargestFirstAndWritesEachOne)
{
    AppData data;
    data.Touch("_dump/stale.txt");
    ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    ASSERT_TRUE(app.mMemoryImageSet.empty());
    auto small = MakeImage(app, 2, 2, 0x10);
    auto large = MakeImage(app, 32, 16, 0x20);
    small->mFilePath = "images/small.png";
    large->mIsVolatile = true;
    large->mHasAlpha = true;
    // Palette form alone: 4 index bytes and the 1024-byte colour table.
    auto palette = MakeImage(app, 2, 2, 0x30);
    palette->mColorTable = std::make_unique<uint32_t[]>(256);
    palette->mColorIndices = std::make_unique<uint8_t[]>(4);
    palette->mBits.reset();
    palette->mForcedMode = true;
    palette->mHasTrans = true;
    palette->mRLAlphaData = std::make_unique<uint8_t[]>(4);
    auto empty = std::make_unique<Vorn::MemoryImage>(&app);

    app.DumpImages();

    EXPECT_FALSE(fs::exists(data.Path("_dump/stale.txt")));
    const std::string html = Slurp(data.Path("_dump/imagelist.html"));
    const std::string head = "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>";
    ASSERT_EQ(html.compare(0, head.size(), head), 0);
    ASSERT_GT(html.size(), head.size() + 24);
    EXPECT_EQ(html.substr(head.size() + 24),
              "\n</B></FONT><BR>\n"
              "Total Image Allocation: 3,096 bytes<BR><TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4><TR>\n"
              "<TD><A HREF=img0000.png><IMG SRC=thumb0000.jpg WIDTH=64 HEIGHT=64></A></TD>\n"
              "<TD ALIGN=RIGHT>32 x 16<BR>2,048 bytes</TD>\n"
              "<TD>mBits<BR>2,048</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>Volatile</TD>\n<TD>&nbsp;</TD>\n<TD>HasAlpha</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n</TR>\n"
              "<TR>\n"
              "<TD><A HREF=img0001.png><IMG SRC=thumb0001.jpg WIDTH=64 HEIGHT=64></A></TD>\n"
              "<TD ALIGN=RIGHT>2 x 2<BR>1,032 bytes</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>Palletized<BR>1,028</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>Forced</TD>\n<TD>&nbsp;</TD>\n<TD>HasTrans</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>RLAlpha<BR>4</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n</TR>\n"
              "<TR>\n"
              "<TD><A HREF=img0002.png><IMG SRC=thumb0002.jpg WIDTH=64 HEIGHT=64></A></TD>\n"
              "<TD ALIGN=RIGHT>2 x 2<BR>16 bytes</TD>\n"
              "<TD>mBits<BR>16</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>images/small.png</TD>\n</TR>\n"
              "<TR>\n"
              "<TD><A HREF=img0003.png><IMG SRC=thumb0003.jpg WIDTH=64 HEIGHT=64></A></TD>\n"
              "<TD ALIGN=RIGHT>0 x 0<BR>0 bytes</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n</TR>\n"
              "<TD>Totals</TD>\n<TD>3,096</TD>\n<TD>2,064</TD>\n<TD>1,028</TD>\n<TD>0</TD>\n<TD>0</TD>\n"
              "<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
              "<TD>0</TD>\n<TD>4</TD>\n<TD>0</TD>\n<TD>&nbsp;</TD>\n"
              "</TABLE></CENTER></BODY></HTML>");

    // Full size with alpha; the image without pixels is listed only.
    const uint32_t* largeBits = large->GetBits();
    EXPECT_EQ(PngPixels(data.Path("_dump/img0000.png")), std::vector<uint32_t>(largeBits, largeBits + 512));
    const uint32_t* smallBits = small->GetBits();
    EXPECT_EQ(PngPixels(data.Path("_dump/img0002.png")), std::vector<uint32_t>(smallBits, smallBits + 4));
    EXPECT_TRUE(fs::exists(data.Path("_dump/thumb0000.jpg")));
    EXPECT_FALSE(fs::exists(data.Path("_dump/img0003.png")));
    EXPECT_FALSE(fs::exists(data.Path("_dump/thumb0003.jpg")));
}

// A texture set's bytes count toward the image and the totals, and its cell
// names the set's format; an unknown format leaves the name empty.
TEST(DumpImages, ShowsATextureSetWithItsFormatAndBytes)
{
    AppData data;
    ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    Vorn::TextureSet palette;
    palette.mFormat = 8;
    palette.mTextureMemory = 1500;
    Vorn::TextureSet unknown;
    unknown.mFormat = 3;
    unknown.mTextureMemory = 1200;
    auto first = MakeImage(app, 2, 2, 0x50);
    auto second = MakeImage(app, 2, 2, 0x60);
    first->mD3DData = &palette;
    second->mD3DData = &unknown;
    app.DumpImages();
    first->mD3DData = nullptr;
    second->mD3DData = nullptr;
    const std::string html = Slurp(data.Path("_dump/imagelist.html"));
    EXPECT_NE(html.find("Total Image Allocation: 2,732 bytes<BR>"), std::string::npos) << html;
    EXPECT_NE(html.find("<TD ALIGN=RIGHT>2 x 2<BR>1,516 bytes</TD>\n"
                        "<TD>mBits<BR>16</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
                        "<TD>Texture<BR>Palette8<BR>1,500</TD>\n"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<TD>Texture<BR><BR>1,200</TD>\n"), std::string::npos) << html;
    EXPECT_NE(html.find("<TD>Totals</TD>\n<TD>2,732</TD>\n<TD>32</TD>\n<TD>0</TD>\n<TD>0</TD>\n<TD>2,700</TD>\n"),
              std::string::npos)
        << html;
}

TEST(DumpImages, CountsTheNativeAlphaFormByWhetherAPaletteStandsBesideIt)
{
    // Native alpha beside the pixels: n x 4; beside a palette: the 1024-byte
    // table only.
    const std::tuple<bool, std::string, std::string> cases[] = {
        {false, "2 x 2<BR>32 bytes", "<TD>NativeAlpha<BR>16</TD>"},
        {true, "2 x 2<BR>2,068 bytes", "<TD>NativeAlpha<BR>1,024</TD>"},
    };
    for (const auto& [withPalette, size, cell] : cases) {
        SCOPED_TRACE(withPalette);
        AppData data;
        ScriptedClock clock;
        Testing::ScriptedApp app(clock);
        auto image = MakeImage(app, 2, 2, 0x40);
        // Beside a palette the native form is the table's 256 words.
        image->mNativeAlphaData = std::make_unique<uint32_t[]>(withPalette ? 256 : 4);
        if (withPalette) {
            image->mColorTable = std::make_unique<uint32_t[]>(256);
            image->mColorIndices = std::make_unique<uint8_t[]>(4);
        }
        app.DumpImages();
        const std::string html = Slurp(data.Path("_dump/imagelist.html"));
        EXPECT_NE(html.find(size), std::string::npos);
        EXPECT_NE(html.find(cell), std::string::npos);
    }
}

TEST(DumpImages, DoesNothingWhileTheLoadingThreadRuns)
{
    AppData data;
    ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    app.mLoadingThreadRunning = true;
    app.DumpImages();
    EXPECT_FALSE(fs::exists(data.Path("_dump")));
    app.mLoadingThreadRunning = false;
}

// A surface counts 4 bytes a pixel, the run-length forms one, a texture set
// its own bytes under its format's name; every form reaches the totals. An
// image with a side of nothing is listed but writes no file.
TEST(DumpImages, SumsSurfacesRunLengthFormsAndTexturesIntoTheTotals)
{
    AppData data;
    SurfaceDisplayApp display(Platform::kFormatX8R8G8B8, 2, 2);
    ASSERT_TRUE(display.initialised);
    auto surface = display.MakeImage(2, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004});
    ASSERT_TRUE(surface->BuildSurface());
    surface->FreeAllButSurface();
    Vorn::TextureSet argb;
    argb.mFormat = 1;
    argb.mTextureMemory = 100;
    auto textured = MakeImage(display.app, 2, 2, 0x70);
    textured->mD3DData = &argb;
    textured->mRLAdditiveData = std::make_unique<uint8_t[]>(4);
    auto additive = MakeImage(display.app, 3, 1, 0x80);
    additive->mRLAdditiveData = std::make_unique<uint8_t[]>(3);
    Vorn::MemoryImage flat(&display.app);
    flat.Create(3, 0);

    display.app.DumpImages();
    textured->mD3DData = nullptr;
    const std::string html = Slurp(data.Path("_dump/imagelist.html"));
    EXPECT_NE(html.find("<TD ALIGN=RIGHT>2 x 2<BR>16 bytes</TD>\n<TD>&nbsp;</TD>\n<TD>&nbsp;</TD>\n"
                        "<TD>DDSurface<BR>16</TD>"),
        std::string::npos)
        << html;
    EXPECT_NE(html.find("<TD>Texture<BR>A8R8G8B8<BR>100</TD>"), std::string::npos) << html;
    EXPECT_NE(html.find("<TD>RLAdditive<BR>3</TD>"), std::string::npos) << html;
    // The display holds surfaces of its own: two 64 x 64 and one 2 x 2.
    EXPECT_NE(html.find("<TD>Totals</TD>\n<TD>32,935</TD>\n<TD>28</TD>\n<TD>0</TD>\n<TD>32,800</TD>\n<TD>100</TD>\n"),
        std::string::npos)
        << html;
    EXPECT_NE(html.find("<TD>0</TD>\n<TD>0</TD>\n<TD>7</TD>\n<TD>&nbsp;</TD>\n</TABLE>"), std::string::npos) << html;
    size_t pictures = 0;
    for (const auto& entry : fs::directory_iterator(data.Path("_dump")))
        pictures += entry.path().extension() == ".png" ? 1 : 0;
    EXPECT_EQ(pictures, 6u);
}

} // namespace
