#include "framework/graphics/SysFont.h"

#include "framework/display/DDImage.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/FontMath.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/SystemFont.h"

#include <algorithm>
#include <new>
#include <cstdint>
#include <limits>

namespace Vorn {

namespace {

using FontMath::ClampToInt;

constexpr int kDotsPerInch = 96;
// The text image is at most this many pixels a side: a long string must not
// ask for gigabytes, and nothing past it could be on any screen.
constexpr int kMaxTextSide = 8192;

// Points to pixels, rounded half away from zero as the other desktop's
// MulDiv does, in 64 bits: the size comes from the manifest.
int PixelSize(int pointSize)
{
    const int64_t product = int64_t{pointSize} * kDotsPerInch;
    const int64_t pixels = (product >= 0 ? product + 36 : product - 36) / 72;
    return static_cast<int>(std::clamp<int64_t>(pixels, 0, Platform::SystemFont::kMaxPixelSize));
}

// Colour `rgb` with coverage `a` laid over the straight-alpha pixel `d`: what
// the text leaves uncovered stays as it was, a fully covered pixel takes the
// colour exactly.
uint32_t Cover(uint32_t d, uint32_t rgb, uint32_t a)
{
    const uint32_t kept = (d >> 24) * (255 - a) / 255;
    const uint32_t outA = a + kept;
    if (outA == 0)
        return d;
    uint32_t out = outA << 24;
    for (const int shift : {16, 8, 0}) {
        const uint32_t sum = ((rgb >> shift) & 0xFFu) * a + ((d >> shift) & 0xFFu) * kept;
        out |= sum / outA << shift;
    }
    return out;
}

// One drawing of the text into the pixels, its top-left corner at (dx, dy);
// what falls outside the image is lost.
void DrawPass(Platform::SystemFont& font, uint32_t* pixels, int width, int height, const std::string& text, int dx,
    int dy, uint32_t rgb, bool underline)
{
    int64_t pen = dx;
    const int baseline = dy + font.Ascent();
    for (const char ch : text) {
        const Platform::GlyphImage& glyph = font.Glyph(static_cast<unsigned char>(ch));
        const int64_t left = pen + glyph.left;
        const int64_t top = int64_t{baseline} - glyph.top;
        for (int row = 0; row < glyph.height; ++row) {
            const int64_t y = top + row;
            if (y < 0 || y >= height)
                continue;
            for (int col = 0; col < glyph.width; ++col) {
                const int64_t x = left + col;
                const uint32_t a = glyph.coverage[static_cast<size_t>(row) * static_cast<size_t>(glyph.width) +
                                                  static_cast<size_t>(col)];
                if (x < 0 || x >= width || a == 0)
                    continue;
                uint32_t& p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
                p = Cover(p, rgb, a);
            }
        }
        pen += glyph.advance;
    }
    if (!underline)
        return;
    // The desktop's engine draws no underline of its own: it runs under the
    // whole advance, at the face's position and thickness.
    const int64_t first = int64_t{baseline} + font.UnderlineTop();
    for (int64_t y = std::max<int64_t>(first, 0); y < std::min<int64_t>(first + font.UnderlineThickness(), height);
         ++y) {
        for (int64_t x = std::max(dx, 0); x < std::min<int64_t>(pen, width); ++x) {
            uint32_t& p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            p = Cover(p, rgb, 255);
        }
    }
}

} // namespace

SysFont::SysFont(const std::string& face, int pointSize, bool bold, bool italics, bool underline)
    : mFace(face), mPointSize(pointSize), mBold(bold), mItalics(italics), mUnderline(underline)
{
    Init();
}

SysFont::SysFont(VornAppBase*, const std::string& face, int pointSize, int)
    : mFace(face), mPointSize(pointSize), mBold(false), mItalics(false), mUnderline(false)
{
    Init();
}

SysFont::SysFont(const SysFont& other)
    : Font(other), mFace(other.mFace), mPointSize(other.mPointSize), mBold(other.mBold),
      mItalics(other.mItalics), mUnderline(other.mUnderline)
{
    Init();
    mAscentPadding = 0;
    mLineSpacingOffset = 0;
}

SysFont::~SysFont() = default;

void SysFont::Init()
{
    mSystemFont = Platform::SystemFont::Open(mFace, PixelSize(mPointSize), mBold, mItalics);
    if (!mSystemFont)
        return;
    mAscent = mSystemFont->Ascent();
    mHeight = mSystemFont->Ascent() + mSystemFont->Descent();
}

// Null when memory runs out.
std::unique_ptr<Font> SysFont::Duplicate() const
{
    try {
        return std::make_unique<SysFont>(*this);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int SysFont::StringWidth(const std::string& text)
{
    if (!mSystemFont)
        return 0;
    int64_t width = 0;
    for (const char ch : text)
        width += mSystemFont->Glyph(static_cast<unsigned char>(ch)).advance;
    return ClampToInt(width);
}

void SysFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip)
{
    if (!g || !mSystemFont || g->mDestImage == &TheEmptyImage())
        return;
    const int width = std::min(StringWidth(text), kMaxTextSide);
    const int height = std::min(mHeight, kMaxTextSide);
    if (width <= 0 || height <= 0)
        return;

    MemoryImage image(nullptr);
    image.Create(width, height);
    uint32_t* pixels = image.GetBits();
    const auto channel = [](int c) { return static_cast<uint32_t>(std::clamp(c, 0, 255)); };
    const uint32_t rgb = channel(color.mRed) << 16 | channel(color.mGreen) << 8 | channel(color.mBlue);
    if (mDrawShadow) {
        DrawPass(*mSystemFont, pixels, width, height, text, 1, 1, 0, mUnderline);
        if (mSimulateBold)
            DrawPass(*mSystemFont, pixels, width, height, text, 2, 1, 0, mUnderline);
    }
    DrawPass(*mSystemFont, pixels, width, height, text, 0, 0, rgb, mUnderline);
    if (mSimulateBold)
        DrawPass(*mSystemFont, pixels, width, height, text, 1, 0, rgb, mUnderline);
    image.MarkBitsChanged();

    // Onto a display image the text goes as the other desktop drew it on a
    // surface: one pixel lower, in the clip rectangle given, unscaled, not
    // colorized, in the normal mode.
    if (dynamic_cast<DDImage*>(g->mDestImage)) {
        Graphics onSurface(*g);
        onSurface.mClipRect = clip.Intersection(Rect(0, 0, g->mDestImage->mWidth, g->mDestImage->mHeight));
        onSurface.mScaleX = 1.0f;
        onSurface.mScaleY = 1.0f;
        onSurface.SetColorize(false);
        onSurface.SetDrawMode(kDrawModeNormal);
        onSurface.DrawImage(&image, x, ClampToInt(int64_t{y} - mAscent + 1));
        return;
    }
    g->DrawImage(&image, x, ClampToInt(int64_t{y} - mAscent));
}

} // namespace Vorn
