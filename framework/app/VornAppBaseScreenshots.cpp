// Two developer operations: the screen saved as a numbered PNG, and every
// image the program holds dumped with thumbnails and an HTML listing of its
// memory use.

#include "framework/app/VornAppBase.h"

#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "framework/app/StringUtils.h"
#include "framework/display/D3DInterface.h"
#include "framework/display/DDImage.h"
#include "framework/display/DDInterface.h"
#include "framework/resources/ImageLib.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <ctime>
#include <optional>
#include <string_view>
#include <filesystem>
#include <fstream>
#include <thread>

namespace Vorn {

namespace {

constexpr int kThumbSize = VornAppBase::kDumpThumbSize;

// The number of a screenshot file's name, "image" + n + ".png"; what follows
// the number is not examined. Numbers outside int are no screenshot's.
std::optional<int> ScreenshotNumber(const std::string& name)
{
    static constexpr std::string_view kPrefix = "image";
    if (name.compare(0, kPrefix.size(), kPrefix) != 0)
        return std::nullopt;
    const char* first = name.data() + kPrefix.size();
    const char* last = name.data() + name.size();
    if (first != last && *first == '+')
        ++first;
    int number = 0;
    const auto result = std::from_chars(first, last, number);
    if (result.ec != std::errc())
        return std::nullopt;
    return number;
}

bool HasPngExtension(const std::string& name)
{
    if (name.size() < 4)
        return false;
    return StringToLower(name.substr(name.size() - 4)) == ".png";
}

std::string Grouped(int64_t count)
{
    return GroupThousands(static_cast<int>(std::min<int64_t>(count, INT_MAX)));
}

// The byte counts of one image's forms, as the listing shows them.
struct ImageMemory {
    MemoryImage* mImage = nullptr;
    int64_t mBits = 0;
    int64_t mPalette = 0;
    int64_t mSurface = 0;
    int64_t mTexture = 0;
    int64_t mNativeAlpha = 0;
    int64_t mRLAlpha = 0;
    int64_t mRLAdditive = 0;

    int64_t Total() const { return mBits + mPalette + mSurface + mTexture + mNativeAlpha + mRLAlpha + mRLAdditive; }
};

ImageMemory Measure(MemoryImage* image)
{
    const auto n = static_cast<int64_t>(image->PixelCount());
    const bool palette = image->mColorIndices != nullptr;
    ImageMemory memory;
    memory.mImage = image;
    memory.mBits = image->mBits ? n * 4 : 0;
    memory.mPalette = palette ? n + 1024 : 0;
    const auto* surfaceImage = dynamic_cast<const DDImage*>(image);
    memory.mSurface = surfaceImage && surfaceImage->mSurface ? n * 4 : 0;
    memory.mTexture = image->mD3DData ? image->mD3DData->mTextureMemory : 0;
    if (image->mNativeAlphaData)
        memory.mNativeAlpha = palette ? 1024 : n * 4;
    memory.mRLAlpha = image->mRLAlphaData ? n : 0;
    memory.mRLAdditive = image->mRLAdditiveData ? n : 0;
    return memory;
}

const char* TextureFormatName(int format)
{
    switch (format) {
    case 1: return "A8R8G8B8";
    case 2: return "A4R4G4B4";
    case 4: return "R5G6B5";
    case 8: return "Palette8";
    default: return "";
    }
}

std::string Cell(bool shown, const std::string& text)
{
    return "<TD>" + (shown ? text : std::string("&nbsp;")) + "</TD>";
}

std::string CountCell(const char* label, int64_t count)
{
    return Cell(count != 0, label + std::string("<BR>") + Grouped(count));
}

// The writers' own image of the pixels.
std::unique_ptr<ImageLib::Image> WriterImage(const uint32_t* bits, int width, int height)
{
    std::unique_ptr<ImageLib::Image> image = ImageLib::Image::Create(width, height);
    if (image)
        std::copy_n(bits, static_cast<size_t>(width) * static_cast<size_t>(height), image->GetBits());
    return image;
}

std::unique_ptr<ImageLib::Image> Thumbnail(const uint32_t* bits, int width, int height)
{
    std::unique_ptr<ImageLib::Image> thumb = ImageLib::Image::Create(kThumbSize, kThumbSize);
    if (thumb) {
        const std::vector<uint32_t> pixels = VornAppBase::DumpThumbnail(bits, width, height);
        std::copy(pixels.begin(), pixels.end(), thumb->GetBits());
    }
    return thumb;
}

// Writes the image at full size and as its 64 x 64 thumbnail. An image
// without pixels is listed only.
void WriteDumpedImage(const MemoryImage& image, const std::string& pngPath, const std::string& thumbPath)
{
    MemoryImage copy(image);
    const int width = copy.GetWidth();
    const int height = copy.GetHeight();
    if (width <= 0 || height <= 0)
        return;
    const uint32_t* bits = copy.GetBits();
    if (!bits)
        return;
    if (const auto thumb = Thumbnail(bits, width, height))
        ImageLib::WriteJPEGImage(thumbPath, *thumb);
    if (const auto full = WriterImage(bits, width, height))
        ImageLib::WritePNGImage(pngPath, *full);
}

// The application-data folder with '/' between its parts: the files below it
// are named for this system.
std::string AppDataFolder()
{
    std::string folder = GetAppDataFolder();
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

} // namespace

// Each thumbnail pixel is the source pixel under its centre.
std::vector<uint32_t> VornAppBase::DumpThumbnail(const uint32_t* bits, int width, int height)
{
    std::vector<uint32_t> thumb(static_cast<size_t>(kDumpThumbSize) * kDumpThumbSize);
    for (int y = 0; y < kDumpThumbSize; ++y) {
        const int row = static_cast<int>((y + 0.5) * height) / kDumpThumbSize;
        for (int x = 0; x < kDumpThumbSize; ++x) {
            const int column = static_cast<int>((x + 0.5) * width) / kDumpThumbSize;
            thumb[static_cast<size_t>(y) * kDumpThumbSize + x] =
                bits[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column)];
        }
    }
    return thumb;
}

void VornAppBase::TakeScreenshot()
{
    if (!mDDInterface || !mDDInterface->mDrawSurface)
        return;
    const std::string folder = AppDataFolder() + "_screenshots";
    MakeDirectories(folder);
    const std::string prefix = folder + "/";

    int64_t largest = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (HasPngExtension(name))
            largest = std::max<int64_t>(largest, ScreenshotNumber(name).value_or(0));
    }
    // Every number is taken: a new file would overwrite an old one.
    if (largest >= INT_MAX)
        return;
    const std::string path = prefix + "image" + std::to_string(largest + 1) + ".png";

    std::unique_ptr<DDImage> capture;
    {
        // The cursor thread draws on the surface under this lock: it must
        // never meet the display without its drawing surface.
        DDInterface& display = *mDDInterface;
        const AutoCrit lock(display.mCritSect);
        // Without its record the capture reads the surface by locking it, also
        // while the display draws through the 3D path.
        std::shared_ptr<Platform::Surface> surface = std::move(display.mDrawSurface);
        capture = std::make_unique<DDImage>(&display);
        capture->SetSurface(surface);
        capture->GetBits();
        capture->SetSurface(nullptr);
        display.mDrawSurface = std::move(surface);
    }
    if (capture->mBits) {
        if (const auto image = WriterImage(capture->mBits.get(), capture->GetWidth(), capture->GetHeight()))
            ImageLib::WritePNGImage(path, *image);
    }
    capture.reset();
    ResetFractionTime();
}

void VornAppBase::DumpImages()
{
    // The loading thread adds images while it runs; the dump waits for
    // another key press after it.
    if (mLoadingThreadRunning)
        return;
    const AutoCrit lock(ImageLock());
    const std::string folder = AppDataFolder() + "_dump";
    DeleteDirectoryTree(folder);
    std::error_code error;
    // A folder just deleted may still be on its way out: made again once
    // more after a pause.
    if (std::filesystem::create_directory(folder, error)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::filesystem::create_directory(folder, error);
    }
    const std::string prefix = folder + "/";

    std::vector<ImageMemory> images;
    int64_t grandTotal = 0;
    for (MemoryImage* image : mMemoryImageSet) {
        images.push_back(Measure(image));
        grandTotal += images.back().Total();
    }
    std::stable_sort(images.begin(), images.end(),
                     [](const ImageMemory& a, const ImageMemory& b) { return a.Total() > b.Total(); });

    std::ofstream html(prefix + "imagelist.html", std::ios::trunc);
    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    if (const std::tm* local = std::localtime(&now))
        std::strftime(date, sizeof(date), "%a %b %e %H:%M:%S %Y", local);
    html << "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>" << date << "\n</B></FONT><BR>\n";
    html << "Total Image Allocation: " << Grouped(grandTotal) << " bytes<BR>";
    html << "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>";

    ImageMemory sums;
    for (size_t i = 0; i < images.size(); ++i) {
        const ImageMemory& memory = images[i];
        const MemoryImage& image = *memory.mImage;
        const std::string pngName = FormatString("img%04d.png", static_cast<int>(i));
        const std::string thumbName = FormatString("thumb%04d.jpg", static_cast<int>(i));
        html << "<TR>\n";
        html << "<TD><A HREF=" << pngName << "><IMG SRC=" << thumbName << " WIDTH=" << kThumbSize
             << " HEIGHT=" << kThumbSize << "></A></TD>\n";
        html << "<TD ALIGN=RIGHT>"
             << FormatString("%d x %d<BR>%s bytes", image.GetWidth(), image.GetHeight(),
                             Grouped(memory.Total()).c_str())
             << "</TD>\n";
        html << CountCell("mBits", memory.mBits) << "\n";
        html << CountCell("Palletized", memory.mPalette) << "\n";
        html << CountCell("DDSurface", memory.mSurface) << "\n";
        const TextureSet* textures = image.mD3DData;
        html << Cell(textures != nullptr, std::string("Texture<BR>") +
                                              TextureFormatName(textures ? textures->mFormat : 0) + "<BR>" +
                                              Grouped(memory.mTexture))
             << "\n";
        html << Cell(image.mIsVolatile, "Volatile") << "\n";
        html << Cell(image.mForcedMode, "Forced") << "\n";
        html << Cell(image.mHasAlpha, "HasAlpha") << "\n";
        html << Cell(image.mHasTrans, "HasTrans") << "\n";
        html << CountCell("NativeAlpha", memory.mNativeAlpha) << "\n";
        html << CountCell("RLAlpha", memory.mRLAlpha) << "\n";
        html << CountCell("RLAdditive", memory.mRLAdditive) << "\n";
        html << Cell(!image.mFilePath.empty(), image.mFilePath) << "\n";
        html << "</TR>\n";
        WriteDumpedImage(image, prefix + pngName, prefix + thumbName);

        sums.mBits += memory.mBits;
        sums.mPalette += memory.mPalette;
        sums.mSurface += memory.mSurface;
        sums.mTexture += memory.mTexture;
        sums.mNativeAlpha += memory.mNativeAlpha;
        sums.mRLAlpha += memory.mRLAlpha;
        sums.mRLAdditive += memory.mRLAdditive;
    }
    html << "<TD>Totals</TD>\n";
    for (int64_t sum : {sums.Total(), sums.mBits, sums.mPalette, sums.mSurface, sums.mTexture})
        html << "<TD>" << Grouped(sum) << "</TD>\n";
    for (int i = 0; i < 4; ++i)
        html << "<TD>&nbsp;</TD>\n";
    for (int64_t sum : {sums.mNativeAlpha, sums.mRLAlpha, sums.mRLAdditive})
        html << "<TD>" << Grouped(sum) << "</TD>\n";
    html << "<TD>&nbsp;</TD>\n";
    html << "</TABLE></CENTER></BODY></HTML>";
}

} // namespace Vorn
