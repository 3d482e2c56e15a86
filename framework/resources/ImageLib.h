#pragma once
// Image files to and from plain 32-bit ARGB pixel arrays. The readers (TGA,
// GIF, PNG, JPEG, JPEG 2000) read through the file layer, so an image comes
// from the archive or from the disk alike; the writers go straight to the disk.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace ImageLib {

// No reader makes an image of more pixels than this (8192 x 4096, 128 MiB of
// words): a file of a few bytes declaring a huge size must not make the
// program allocate and clear gigabytes.
inline constexpr int64_t kMaxPixels = int64_t{1} << 25;

class Image {
public:
    // Width 0, height 0, no words.
    Image() = default;
    virtual ~Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // A width x height image whose words are all 0; null when a side is below
    // 1, when the image would exceed kMaxPixels, or when memory runs out.
    static std::unique_ptr<Image> Create(int64_t width, int64_t height);

    int GetWidth() const { return mWidth; }
    int GetHeight() const { return mHeight; }
    // Row after row from the top, each word 0xAARRGGBB.
    uint32_t* GetBits() { return mBits.get(); }
    const uint32_t* GetBits() const { return mBits.get(); }

private:
    int mWidth = 0;
    int mHeight = 0;
    std::unique_ptr<uint32_t[]> mBits;
};

// The colour (0xRRGGBB) given to an image that exists only as its alpha file;
// the resource manager sets it around each load. Only the low 24 bits count.
extern std::atomic<uint32_t> gAlphaOnlyColor;

// Picks the reader by the extension (".tga", ".jpg", ".png", ".gif", ".j2k",
// ".jp2", any case) or, for a name without one, tries them in that order.
// With `loadAlpha`, a greyscale alpha image beside the file ("dir/_name.ext",
// else "name_") gives the result its alpha channel, or is the result when the
// colour image is missing.
std::unique_ptr<Image> LoadImageFile(const std::string& fileName, bool loadAlpha);

// Each null when the file is missing or cannot be decoded.
std::unique_ptr<Image> ReadTGAImage(const std::string& fileName);
std::unique_ptr<Image> ReadGIFImage(const std::string& fileName);
std::unique_ptr<Image> ReadPNGImage(const std::string& fileName);
std::unique_ptr<Image> ReadJPEGImage(const std::string& fileName);
// Null also while the JPEG 2000 codec is not loaded.
std::unique_ptr<Image> ReadJPEG2000Image(const std::string& fileName);

// An 8-bit RGBA PNG, alpha kept. False when the file cannot be written whole.
bool WritePNGImage(const std::string& fileName, const Image& image);
// A three-component RGB JPEG of quality 80, alpha dropped. False when the file
// cannot be written whole.
bool WriteJPEGImage(const std::string& fileName, const Image& image);

// The JPEG 2000 codec is linked in, so loading it always succeeds; until it is
// loaded, and after it is freed, JPEG 2000 files do not read.
bool LoadJPEG2000Codec();
void FreeJPEG2000Codec();

} // namespace ImageLib
