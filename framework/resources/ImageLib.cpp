#include "framework/resources/ImageLib.h"

#include "framework/app/StringUtils.h"
#include "framework/resources/ImageDecoders.h"
#include "framework/resources/PakInterface.h"

#include <cstdio>
#include <new>
#include <optional>
#include <vector>

namespace ImageLib {

std::atomic<uint32_t> gAlphaOnlyColor{0xFFFFFF};

namespace {

std::atomic<bool> gJpeg2000Loaded{false};

// No image we accept is stored in more bytes than its pixels plus headers;
// a larger file is refused before it is read.
constexpr int64_t kMaxFileBytes = kMaxPixels * 4 + (1 << 20);

struct PakCloser {
    void operator()(Vorn::PakFileHandle* file) const { Vorn::PakFClose(file); }
};

// The whole file through the file layer; nothing when it cannot be opened or
// its size cannot be told. A file that yields fewer bytes than its size gives
// what it yields: the decoders know how to treat data cut short.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& fileName)
{
    const std::unique_ptr<Vorn::PakFileHandle, PakCloser> file(Vorn::PakFOpen(fileName.c_str()));
    if (!file || Vorn::PakFSeek(file.get(), 0, SEEK_END) != 0)
        return std::nullopt;
    const long size = Vorn::PakFTell(file.get());
    if (size < 0 || size > kMaxFileBytes || Vorn::PakFSeek(file.get(), 0, SEEK_SET) != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    bytes.resize(Vorn::PakFRead(bytes.data(), 1, bytes.size(), file.get()));
    return bytes;
}

std::unique_ptr<Image> ReadWith(std::unique_ptr<Image> (*decode)(std::span<const uint8_t>), const std::string& fileName)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(fileName);
    return bytes ? decode(*bytes) : nullptr;
}

struct Reader {
    const char* extension;
    std::unique_ptr<Image> (*read)(const std::string&);
};

constexpr Reader kReaders[] = {
    {".tga", ReadTGAImage},      {".jpg", ReadJPEGImage},     {".png", ReadPNGImage},
    {".gif", ReadGIFImage},      {".j2k", ReadJPEG2000Image}, {".jp2", ReadJPEG2000Image},
};

size_t LastSeparator(const std::string& fileName)
{
    return fileName.find_last_of("\\/");
}

std::unique_ptr<Image> LoadColourImage(const std::string& fileName)
{
    const size_t dot = fileName.rfind('.');
    const size_t separator = LastSeparator(fileName);
    const bool hasExtension = dot != std::string::npos && (separator == std::string::npos || dot > separator);
    const std::string base = hasExtension ? fileName.substr(0, dot) : fileName;
    const std::string extension = hasExtension ? Vorn::StringToLower(fileName.substr(dot)) : std::string();
    for (const Reader& reader : kReaders) {
        if (hasExtension && extension != reader.extension)
            continue;
        if (std::unique_ptr<Image> image = reader.read(base + reader.extension))
            return image;
    }
    return nullptr;
}

std::unique_ptr<Image> LoadAlphaImage(const std::string& fileName)
{
    const size_t separator = LastSeparator(fileName);
    const size_t split = separator == std::string::npos ? 0 : separator + 1;
    if (std::unique_ptr<Image> alpha = LoadColourImage(fileName.substr(0, split) + "_" + fileName.substr(split)))
        return alpha;
    return LoadColourImage(fileName + "_");
}

} // namespace

std::unique_ptr<Image> Image::Create(int64_t width, int64_t height)
{
    if (width < 1 || height < 1 || width > kMaxPixels || height > kMaxPixels || width * height > kMaxPixels)
        return nullptr;
    std::unique_ptr<Image> image = std::make_unique<Image>();
    image->mBits.reset(new (std::nothrow) uint32_t[static_cast<size_t>(width * height)]());
    if (!image->mBits)
        return nullptr;
    image->mWidth = static_cast<int>(width);
    image->mHeight = static_cast<int>(height);
    return image;
}

std::unique_ptr<Image> LoadImageFile(const std::string& fileName, bool loadAlpha)
{
    std::unique_ptr<Image> colour = LoadColourImage(fileName);
    if (!loadAlpha)
        return colour;
    std::unique_ptr<Image> alpha = LoadAlphaImage(fileName);
    if (!alpha)
        return colour;

    const size_t count = size_t(alpha->GetWidth()) * size_t(alpha->GetHeight());
    uint32_t* a = alpha->GetBits();
    if (colour) {
        if (colour->GetWidth() == alpha->GetWidth() && colour->GetHeight() == alpha->GetHeight()) {
            uint32_t* c = colour->GetBits();
            for (size_t i = 0; i < count; ++i)
                c[i] = (c[i] & 0x00FFFFFFu) | a[i] << 24;
        }
        return colour;
    }
    // A colour with bits above 24 would overwrite the alpha just taken.
    const uint32_t rgb = gAlphaOnlyColor.load() & 0x00FFFFFFu;
    for (size_t i = 0; i < count; ++i)
        a[i] = a[i] << 24 | rgb;
    return alpha;
}

std::unique_ptr<Image> ReadTGAImage(const std::string& fileName)
{
    return ReadWith(DecodeTGA, fileName);
}

std::unique_ptr<Image> ReadGIFImage(const std::string& fileName)
{
    return ReadWith(DecodeGIF, fileName);
}

std::unique_ptr<Image> ReadPNGImage(const std::string& fileName)
{
    return ReadWith(DecodePNG, fileName);
}

std::unique_ptr<Image> ReadJPEGImage(const std::string& fileName)
{
    return ReadWith(DecodeJPEG, fileName);
}

std::unique_ptr<Image> ReadJPEG2000Image(const std::string& fileName)
{
    if (!gJpeg2000Loaded)
        return nullptr;
    return ReadWith(DecodeJPEG2000, fileName);
}

bool LoadJPEG2000Codec()
{
    gJpeg2000Loaded = true;
    return true;
}

void FreeJPEG2000Codec()
{
    gJpeg2000Loaded = false;
}

} // namespace ImageLib
