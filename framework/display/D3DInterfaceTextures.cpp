// The texture side of the 3D road: piece sizes, the grid, the format chosen
// for an image, uploading and reading back, and the record of images that
// hold textures.

#include "framework/display/D3DInterface.h"

#include "framework/display/DDInterface.h"
#include "framework/graphics/MemoryImage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Vorn {

namespace {

constexpr int kTableLength = 1024;

std::array<int, kTableLength> BuildSizeTable()
{
    std::array<int, kTableLength> table{};
    for (int n = 0; n < kTableLength; ++n) {
        const int p = D3DInterface::NextPowerOfTwo(n);
        int size = p;
        if (p - n > 64) {
            size = p / 2;
            while (n % size >= 64 && (n % size & (n % size - 1)) != 0)
                size /= 2;
        }
        table[static_cast<size_t>(n)] = size;
    }
    return table;
}

int BytesPerTexel(int format)
{
    return format == kTextureA8R8G8B8 ? 4 : format == kTexturePalette8 ? 1 : 2;
}

void Store16(uint8_t* at, uint32_t value)
{
    const auto word = static_cast<uint16_t>(value);
    std::memcpy(at, &word, 2);
}

uint32_t Load16(const uint8_t* at)
{
    uint16_t word;
    std::memcpy(&word, at, 2);
    return word;
}

} // namespace

PiecePart TextureSet::GetPieceAt(int x, int y, int width, int height) const
{
    PiecePart part;
    if (x < 0 || y < 0 || mPieceWidth <= 0 || mPieceHeight <= 0 || x / mPieceWidth >= mColumns ||
        y / mPieceHeight >= mRows)
        return part;
    part.mIndex = (y / mPieceHeight) * mColumns + x / mPieceWidth;
    const TexturePiece& piece = mPieces[static_cast<size_t>(part.mIndex)];
    const int px = x % mPieceWidth;
    const int py = y % mPieceHeight;
    const int right = std::min(px + width, piece.mWidth);
    const int bottom = std::min(py + height, piece.mHeight);
    part.mWidth = right - px;
    part.mHeight = bottom - py;
    const auto w = static_cast<float>(piece.mWidth);
    const auto h = static_cast<float>(piece.mHeight);
    part.mU0 = static_cast<float>(px) / w;
    part.mV0 = static_cast<float>(py) / h;
    part.mU1 = static_cast<float>(right) / w;
    part.mV1 = static_cast<float>(bottom) / h;
    return part;
}

void TextureSet::ReleaseTextures()
{
    mPieces.clear();
    mPalette.reset();
    mTextureMemory = 0;
}

int D3DInterface::NextPowerOfTwo(int n)
{
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

int D3DInterface::TableSize(int n)
{
    static const std::array<int, kTableLength> table = BuildSizeTable();
    return table[static_cast<size_t>(std::clamp(n, 0, kTableLength - 1))];
}

void D3DInterface::GetBestTextureSize(int& width, int& height, bool edge, int flags) const
{
    if (flags & kImageFlagFixedPieces) {
        width = height = 64;
        return;
    }
    const bool main = !edge && (flags & kImageFlagMinimizeSubdivision) == 0;
    const auto best = [&](int n, int maximum) {
        if (n >= maximum)
            return maximum;
        return main ? TableSize(n) : NextPowerOfTwo(n);
    };
    width = std::max(best(width, mMaxTextureWidth), mMinTextureWidth);
    height = std::max(best(height, mMaxTextureHeight), mMinTextureHeight);
    const int64_t aspect = mMaxTextureAspect;
    if (height < width && aspect * height < width) {
        while (aspect * height < width)
            height *= 2;
    } else if (width < height && aspect * width < height) {
        while (aspect * width < height)
            width *= 2;
    }
}

void D3DInterface::SetPixelFormat(PixelFormatDesc& format, int flag)
{
    format = PixelFormatDesc();
    switch (flag) {
    case kTextureA8R8G8B8:
        format = {DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        break;
    case kTextureA4R4G4B4:
        format = {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000};
        break;
    case kTextureR5G6B5:
        format = {DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0};
        break;
    case kTexturePalette8:
        format = {DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0};
        break;
    default:
        break;
    }
}

int D3DInterface::PixelFormatToFlag(const PixelFormatDesc& format)
{
    for (const int flag : {kTextureA8R8G8B8, kTextureA4R4G4B4, kTextureR5G6B5, kTexturePalette8}) {
        PixelFormatDesc known;
        SetPixelFormat(known, flag);
        const bool same = flag == kTexturePalette8
            ? format.mFlags == known.mFlags && format.mRGBBitCount == known.mRGBBitCount
            : format == known;
        if (same)
            return flag;
    }
    return 0;
}

int D3DInterface::TextureFormatMask(const std::vector<PixelFormatDesc>& enumerated)
{
    int mask = 0;
    for (const PixelFormatDesc& format : enumerated)
        mask |= PixelFormatToFlag(format);
    return mask;
}

void D3DInterface::CreateTextureGrid(TextureSet& set, int width, int height) const
{
    int pw = width;
    int ph = height;
    GetBestTextureSize(pw, ph, false, set.mImageFlags);
    int rw = pw;
    int rh = ph;
    if (width % pw > 0) {
        rw = width % pw;
        GetBestTextureSize(rw, rh, true, set.mImageFlags);
    }
    int bw = pw;
    int bh = ph;
    if (height % ph > 0) {
        bh = height % ph;
        GetBestTextureSize(bw, bh, true, set.mImageFlags);
    }
    int cw = rw;
    int ch = bh;
    GetBestTextureSize(cw, ch, true, set.mImageFlags);
    set.mPieceWidth = pw;
    set.mPieceHeight = ph;
    set.mColumns = (width + pw - 1) / pw;
    set.mRows = (height + ph - 1) / ph;
    set.mPieces.assign(static_cast<size_t>(set.mColumns) * static_cast<size_t>(set.mRows),
        TexturePiece{nullptr, pw, ph});
    for (int row = 0; row < set.mRows; ++row) {
        TexturePiece& last = set.mPieces[static_cast<size_t>(row * set.mColumns + set.mColumns - 1)];
        last.mWidth = rw;
        last.mHeight = rh;
    }
    for (int column = 0; column < set.mColumns; ++column) {
        TexturePiece& piece = set.mPieces[static_cast<size_t>((set.mRows - 1) * set.mColumns + column)];
        piece.mWidth = bw;
        piece.mHeight = bh;
    }
    set.mPieces.back().mWidth = cw;
    set.mPieces.back().mHeight = ch;
    set.mExtentX = static_cast<float>(width) / static_cast<float>(pw);
    set.mExtentY = static_cast<float>(height) / static_cast<float>(ph);
}

uint32_t D3DInterface::ToA4R4G4B4(uint32_t c)
{
    return ((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) | ((c >> 8) & 0x00F0) | ((c >> 4) & 0x000F);
}

uint32_t D3DInterface::ToR5G6B5(uint32_t c)
{
    return ((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F);
}

// The alpha nibble is widened to the whole range (15 -> 255); the colour
// nibbles are shifted up as the 5-6-5 channels are.
uint32_t D3DInterface::FromA4R4G4B4(uint32_t t)
{
    return (((t >> 12) & 0xF) * 17) << 24 | ((t >> 8) & 0xF) << 20 | ((t >> 4) & 0xF) << 12 | (t & 0xF) << 4;
}

uint32_t D3DInterface::FromR5G6B5(uint32_t t)
{
    return 0xFF000000u | ((t >> 11) & 0x1F) << 19 | ((t >> 5) & 0x3F) << 10 | (t & 0x1F) << 3;
}

uint32_t D3DInterface::SwapRedBlue(uint32_t c)
{
    return ((c >> 16) & 0xFF) | (c & 0xFF) << 16 | (c & 0xFF00FF00u);
}

bool D3DInterface::PrepareImage(MemoryImage* image)
{
    // Only an image of the application tells the display when it goes: the
    // textures of any other would outlive it.
    if (!image->mApp)
        return false;
    bool made = false;
    if (!image->mD3DData) {
        image->mD3DData = new TextureSet;
        made = true;
        const AutoCrit lock(mDisplay->mCritSect);
        mTextureImages.insert(image);
    }
    ValidateTextures(*image->mD3DData, *image);
    const bool uploaded = image->mD3DData->mFormat != 0;
    // Only textures that hold the pixels may stand in for them.
    if (made && uploaded && image->mPurgeBits)
        image->ReleaseMemoryBits();
    return uploaded;
}

void D3DInterface::ValidateTextures(TextureSet& set, MemoryImage& image)
{
    if (set.mFormat == 0 || set.mImageWidth != image.mWidth || set.mImageHeight != image.mHeight ||
        set.mBitsChangedCount != image.mBitsChangedCount || set.mImageFlags != image.mD3DFlags ||
        set.mHasTrans != image.mHasTrans || set.mHasAlpha != image.mHasAlpha)
        CreateTextures(set, image);
}

std::shared_ptr<SoftTexture> D3DInterface::CreateTextureSurface(int width, int height, int format)
{
    mDevice->SetTexture(nullptr);
    std::shared_ptr<SoftTexture> texture;
    if (CheckResult3D(SoftDevice3D::CreateTexture(width, height, format, texture), "CreateSurface Texture"))
        return nullptr;
    return texture;
}

void D3DInterface::CreateTextures(TextureSet& set, MemoryImage& image)
{
    if (!mDevice)
        return;
    // Nothing to upload: no textures, and no set that claims any.
    if (image.mWidth <= 0 || image.mHeight <= 0) {
        set.ReleaseTextures();
        set.mFormat = 0;
        return;
    }
    image.FreeNativeData();
    image.ScanPixelFlags();
    if (!image.mBits && !image.mColorIndices)
        image.GetBits();
    int format = kTextureA8R8G8B8;
    if (!image.mHasTrans && !image.mHasAlpha && (mFormatMask & kTextureR5G6B5) &&
        (image.mD3DFlags & kImageFlagUseA8R8G8B8) == 0)
        format = kTextureR5G6B5;
    std::shared_ptr<SoftPalette> palette;
    if (image.mColorTable && image.mColorIndices && (mFormatMask & kTexturePalette8)) {
        std::array<uint32_t, 256> entries{};
        for (size_t i = 0; i < entries.size(); ++i)
            entries[i] = SwapRedBlue(image.mColorTable[i]);
        palette = std::make_shared<SoftPalette>(entries.data());
        format = kTexturePalette8;
    }
    if (format == kTextureA8R8G8B8 &&
        (((image.mD3DFlags & kImageFlagUseA4R4G4B4) && (mFormatMask & kTextureA4R4G4B4)) ||
            (mFormatMask & kTextureA8R8G8B8) == 0))
        format = kTextureA4R4G4B4;
    if (set.mImageWidth != image.mWidth || set.mImageHeight != image.mHeight || set.mFormat != format ||
        set.mImageFlags != image.mD3DFlags || set.mPieces.empty()) {
        set.ReleaseTextures();
        set.mFormat = format;
        set.mImageFlags = image.mD3DFlags;
        CreateTextureGrid(set, image.mWidth, image.mHeight);
    }
    // One palette is counted once however often the image is uploaded; the
    // pieces take the new one before the old one goes.
    if (palette && !set.mPalette)
        set.mTextureMemory += 1024;
    else if (!palette && set.mPalette)
        set.mTextureMemory -= 1024;
    for (TexturePiece& piece : set.mPieces)
        if (piece.mTexture)
            piece.mTexture->SetPalette(palette);
    set.mPalette = palette;
    for (int y = 0, row = 0; y < image.mHeight; y += set.mPieceHeight, ++row) {
        for (int x = 0, column = 0; x < image.mWidth; x += set.mPieceWidth, ++column) {
            TexturePiece& piece = set.mPieces[static_cast<size_t>(row * set.mColumns + column)];
            if (!piece.mTexture) {
                piece.mTexture = CreateTextureSurface(piece.mWidth, piece.mHeight, format);
                if (!piece.mTexture) {
                    set.mFormat = 0;
                    return;
                }
                piece.mTexture->SetPalette(palette);
                set.mTextureMemory += piece.mWidth * piece.mHeight * BytesPerTexel(format);
            }
            UploadPiece(*piece.mTexture, image, x, y, format);
        }
    }
    set.mImageWidth = image.mWidth;
    set.mImageHeight = image.mHeight;
    set.mBitsChangedCount = image.mBitsChangedCount;
    set.mFormat = format;
    set.mHasTrans = image.mHasTrans;
    set.mHasAlpha = image.mHasAlpha;
}

void D3DInterface::UploadPiece(SoftTexture& texture, const MemoryImage& image, int x, int y, int format)
{
    Platform::LockedPixels locked;
    if (CheckResult3D(texture.Lock(locked), "Lock Texture"))
        return;
    const int pw = texture.Width();
    const int ph = texture.Height();
    const int width = std::min(pw, image.mWidth - x);
    const int height = std::min(ph, image.mHeight - y);
    const int bytes = BytesPerTexel(format);
    if (width > 0 && height > 0) {
        for (int row = 0; row < height; ++row) {
            uint8_t* out = locked.bits + static_cast<ptrdiff_t>(row) * locked.pitch;
            const size_t first = static_cast<size_t>(y + row) * static_cast<size_t>(image.mWidth) +
                                 static_cast<size_t>(x);
            const int texels = width < pw ? width + 1 : width;
            for (int i = 0; i < texels; ++i) {
                const size_t at = first + static_cast<size_t>(std::min(i, width - 1));
                uint8_t* texel = out + static_cast<ptrdiff_t>(i) * bytes;
                switch (format) {
                case kTextureA8R8G8B8: {
                    const uint32_t c = image.PixelAt(at);
                    std::memcpy(texel, &c, 4);
                    break;
                }
                case kTextureA4R4G4B4:
                    Store16(texel, ToA4R4G4B4(image.PixelAt(at)));
                    break;
                case kTextureR5G6B5:
                    Store16(texel, ToR5G6B5(image.PixelAt(at)));
                    break;
                default:
                    *texel = image.mColorIndices[at];
                    break;
                }
            }
        }
        if (height < ph)
            std::memcpy(locked.bits + static_cast<ptrdiff_t>(height) * locked.pitch,
                locked.bits + static_cast<ptrdiff_t>(height - 1) * locked.pitch, static_cast<size_t>(locked.pitch));
    }
    CheckResult3D(texture.Unlock(), "Texture Unlock");
}

bool D3DInterface::ReadBackBits(MemoryImage* image)
{
    TextureSet* set = image ? image->mD3DData : nullptr;
    if (!set || !image->mBits || set->mFormat == 0 || set->mBitsChangedCount != image->mBitsChangedCount ||
        set->mImageWidth != image->mWidth || set->mImageHeight != image->mHeight ||
        std::any_of(set->mPieces.begin(), set->mPieces.end(), [](const TexturePiece& p) { return !p.mTexture; }))
        return false;
    std::array<uint32_t, 256> palette{};
    if (set->mFormat == kTexturePalette8) {
        if (!set->mPalette)
            return false;
        set->mPalette->GetEntries(palette.data());
        for (uint32_t& entry : palette)
            entry = SwapRedBlue(entry);
    }
    const int bytes = BytesPerTexel(set->mFormat);
    for (int row = 0; row < set->mRows; ++row) {
        for (int column = 0; column < set->mColumns; ++column) {
            SoftTexture& texture = *set->mPieces[static_cast<size_t>(row * set->mColumns + column)].mTexture;
            Platform::LockedPixels locked;
            if (texture.Lock(locked) != Platform::kDDOk)
                return false;
            const int x0 = column * set->mPieceWidth;
            const int y0 = row * set->mPieceHeight;
            const int width = std::min(texture.Width(), image->mWidth - x0);
            const int height = std::min(texture.Height(), image->mHeight - y0);
            for (int y = 0; y < height; ++y) {
                const uint8_t* in = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch;
                uint32_t* out = image->mBits.get() + static_cast<size_t>(y0 + y) * static_cast<size_t>(image->mWidth) +
                                static_cast<size_t>(x0);
                for (int x = 0; x < width; ++x) {
                    const uint8_t* texel = in + static_cast<ptrdiff_t>(x) * bytes;
                    switch (set->mFormat) {
                    case kTextureA8R8G8B8:
                        std::memcpy(&out[x], texel, 4);
                        break;
                    case kTextureA4R4G4B4:
                        out[x] = FromA4R4G4B4(Load16(texel));
                        break;
                    case kTextureR5G6B5:
                        out[x] = FromR5G6B5(Load16(texel));
                        break;
                    default:
                        out[x] = palette[*texel];
                        break;
                    }
                }
            }
            texture.Unlock();
        }
    }
    return true;
}

void D3DInterface::FreeImageTextures(MemoryImage* image)
{
    const AutoCrit lock(mDisplay->mCritSect);
    delete image->mD3DData;
    image->mD3DData = nullptr;
    mTextureImages.erase(image);
}

} // namespace Vorn
