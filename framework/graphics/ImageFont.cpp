// The bitmap font's layers for its size, scale and tags, and its measuring.

#include "framework/graphics/ImageFont.h"

#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/graphics/FontData.h"
#include "framework/graphics/FontMath.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"

#include "framework/app/CriticalSection.h"

#include <algorithm>
#include <new>
#include <array>

namespace Vorn {

namespace {

using FontMath::ClampToInt;
using FontMath::Scaled;

// A rendered layer image is at most this many pixels a side.
constexpr double kMaxScaledSide = 8192.0;

// The layer's factor: its glyphs were drawn at its point size.
double LayerFactor(const GlyphLayer& layer, int pointSize, double scale)
{
    return layer.mPointSize != 0 ? pointSize * scale / layer.mPointSize : scale;
}

// The longer side of the layer's glyphs rendered side by side at factor 1.
double RenderedExtent(const GlyphLayer& layer)
{
    double total = 0.0;
    double tallest = 0.0;
    for (const GlyphInfo& glyph : layer.mCharData) {
        total += std::max(glyph.mImageRect.mWidth, 0);
        tallest = std::max<double>(tallest, glyph.mImageRect.mHeight);
    }
    return std::max(total, tallest);
}

// A descriptor whose layer was drawn at size 1 asked for at size 100000
// must not ask for gigabytes: when a layer would render wider than
// kMaxScaledSide, every layer of the font is lowered by the one ratio that
// fits the widest, so that shadows and outlines keep their places around
// the face and measuring matches drawing. Layers of the widest one's
// factor get its bound exactly, the others their share of it.
class LayerBound {
public:
    void Consider(double factor, double extent)
    {
        if (factor * extent > mFactor * mExtent) {
            mFactor = factor;
            mExtent = extent;
        }
    }
    bool Lowers() const { return mFactor * mExtent > kMaxScaledSide; }
    double Apply(double factor) const
    {
        if (!Lowers())
            return factor;
        const double bound = kMaxScaledSide / mExtent;
        return factor == mFactor ? bound : bound * (factor / mFactor);
    }

private:
    double mFactor = 0.0;
    double mExtent = 0.0;
};

// The extra advance of `first` when `second` follows.
int64_t KerningAdvance(const GlyphLayer& layer, unsigned char first, unsigned char second, double factor)
{
    return Scaled(int64_t{layer.mCharData[first].mKerningOffsets[second]} + layer.mSpacing, factor);
}

// One channel of a layer's colour: multiplier × colour / 255 + add, held
// to 0..255.
int ColorChannel(int multiplier, int color, int add)
{
    return static_cast<int>(std::clamp<int64_t>(int64_t{multiplier} * color / 255 + add, 0, 255));
}

Color LayerColor(const GlyphLayer& layer, const Color& color)
{
    const Color& m = layer.mColorMult;
    const Color& a = layer.mColorAdd;
    return Color(ColorChannel(m.mRed, color.mRed, a.mRed), ColorChannel(m.mGreen, color.mGreen, a.mGreen),
        ColorChannel(m.mBlue, color.mBlue, a.mBlue), ColorChannel(m.mAlpha, color.mAlpha, a.mAlpha));
}

// A draw order of a glyph in one layer.
int DrawOrder(const GlyphLayer& layer, const GlyphInfo& glyph)
{
    return static_cast<int>(std::clamp<int64_t>(int64_t{glyph.mOrder} + layer.mBaseOrder + 128, 0, 255));
}

// The pieces of one DrawStringLayered, bucketed by draw order. Shared by
// every call, which holds the lock for its whole run, so that drawing
// allocates nothing per character.
struct DrawCommand {
    MemoryImage* mImage = nullptr;
    int mX = 0;
    int mY = 0;
    Rect mSource;
    int mDrawMode = -1;
    Color mColor;
    // The next command of the same order, or -1.
    int mNext = -1;
};

struct DrawScratch {
    static constexpr int kMaxCommands = 4096;
    CriticalSection mLock;
    // First and last command of each order, or -1.
    std::array<int, 256> mFirst{};
    std::array<int, 256> mLast{};
    std::array<DrawCommand, kMaxCommands> mPool;
    int mUsed = 0;

    void Clear()
    {
        mFirst.fill(-1);
        mLast.fill(-1);
        mUsed = 0;
    }
    // Within an order, commands keep the order they were made in.
    void Append(int order, const DrawCommand& command)
    {
        mPool[static_cast<size_t>(mUsed)] = command;
        if (mLast[static_cast<size_t>(order)] < 0)
            mFirst[static_cast<size_t>(order)] = mUsed;
        else
            mPool[static_cast<size_t>(mLast[static_cast<size_t>(order)])].mNext = mUsed;
        mLast[static_cast<size_t>(order)] = mUsed++;
    }
};

DrawScratch& Scratch()
{
    static DrawScratch scratch;
    return scratch;
}

bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The stretched draw reads its source without checking it.
bool InsideImage(const Rect& rect, const MemoryImage& image)
{
    return rect.mX >= 0 && rect.mY >= 0 && int64_t{rect.mX} + rect.mWidth <= image.mWidth &&
           int64_t{rect.mY} + rect.mHeight <= image.mHeight;
}

} // namespace

ActiveFontLayer::ActiveFontLayer(const GlyphLayer* layer) : mBaseLayer(layer) {}

ActiveFontLayer::ActiveFontLayer(const ActiveFontLayer& other)
    : mBaseLayer(other.mBaseLayer), mImage(other.mImage), mCharRects(other.mCharRects), mScale(other.mScale)
{
    if (other.mScaledImage) {
        mScaledImage = std::make_unique<MemoryImage>(*other.mScaledImage);
        mImage = mScaledImage.get();
    }
}

ActiveFontLayer::ActiveFontLayer(ActiveFontLayer&&) noexcept = default;
ActiveFontLayer::~ActiveFontLayer() = default;

ImageFont::ImageFont(VornAppBase* app, const std::string& descriptorFile) : mFontData(std::make_shared<FontData>())
{
    mFontData->Load(app, descriptorFile);
    mPointSize = mFontData->mDefaultPointSize;
    BuildActiveLayers();
}

ImageFont::ImageFont(MemoryImage* image, const std::string& widthListFile)
    : mFontData(std::make_shared<FontData>())
{
    mFontData->LoadFromWidthList(image, widthListFile);
    mPointSize = mFontData->mDefaultPointSize;
    BuildActiveLayers();
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other), mFontData(other.mFontData), mPointSize(other.mPointSize), mTags(other.mTags),
      mActiveListValid(other.mActiveListValid),
      mActiveLayerList(other.mActiveListValid ? other.mActiveLayerList : std::vector<ActiveFontLayer>()),
      mScale(other.mScale), mWhitenGlyphs(other.mWhitenGlyphs)
{
}

ImageFont::~ImageFont() = default;

// Null when memory runs out.
std::unique_ptr<Font> ImageFont::Duplicate() const
{
    try {
        return std::make_unique<ImageFont>(*this);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool ImageFont::LayerApplies(const GlyphLayer& layer) const
{
    if (layer.mMinPointSize > mPointSize || (layer.mMaxPointSize != -1 && mPointSize > layer.mMaxPointSize))
        return false;
    for (const std::string& tag : layer.mRequiredTags) {
        if (!Contains(mTags, tag))
            return false;
    }
    for (const std::string& tag : mTags) {
        if (Contains(layer.mExcludedTags, tag))
            return false;
    }
    return true;
}

void ImageFont::BuildActiveLayers()
{
    if (!mFontData->mInitialized)
        return;
    mActiveLayerList.clear();
    mAscent = 0;
    mAscentPadding = 0;
    mHeight = 0;
    mLineSpacingOffset = 0;
    // The layer's own image serves at scale 1 and its own size, unless
    // another layer must be lowered: then every layer is rendered.
    const auto usedAsItIs = [this](const GlyphLayer& layer) {
        return mScale == 1.0 && (layer.mPointSize == 0 || layer.mPointSize == mPointSize);
    };
    LayerBound rendered;
    LayerBound all;
    for (const GlyphLayer& layer : mFontData->mFontLayerList) {
        if (!LayerApplies(layer))
            continue;
        const double factor = LayerFactor(layer, mPointSize, mScale);
        const double extent = RenderedExtent(layer);
        if (!usedAsItIs(layer))
            rendered.Consider(factor, extent);
        all.Consider(factor, extent);
    }
    const bool lowered = rendered.Lowers();
    for (const GlyphLayer& layer : mFontData->mFontLayerList) {
        if (!LayerApplies(layer))
            continue;
        ActiveFontLayer& active = mActiveLayerList.emplace_back(&layer);
        if (!lowered && usedAsItIs(layer)) {
            active.mImage = layer.mImage.GetImage();
            for (size_t c = 0; c < active.mCharRects.size(); ++c)
                active.mCharRects[c] = layer.mCharData[c].mImageRect;
        } else {
            const double factor = LayerFactor(layer, mPointSize, mScale);
            active.mScale = lowered ? all.Apply(factor) : factor;
            RenderLayer(active);
        }

        const double f = active.mScale;
        const int padding = Scaled(layer.mAscentPadding, f);
        const int lineSpacing = Scaled(layer.mLineSpacingOffset, f);
        const bool first = mActiveLayerList.size() == 1;
        mAscent = std::max(mAscent, Scaled(layer.mAscent, f));
        mHeight = std::max(mHeight, Scaled(layer.mHeight != 0 ? layer.mHeight : layer.mDefaultHeight, f));
        mAscentPadding = first ? padding : std::min(mAscentPadding, padding);
        mLineSpacingOffset = first ? lineSpacing : std::max(mLineSpacingOffset, lineSpacing);
    }
}

// Rectangles and image are held at 0 or more, so that a factor of 0 or
// less renders empty glyphs; the advances keep their sign.
void ImageFont::RenderLayer(ActiveFontLayer& active)
{
    const GlyphLayer& layer = *active.mBaseLayer;
    int64_t x = 0;
    int tallest = 0;
    for (size_t c = 0; c < active.mCharRects.size(); ++c) {
        const Rect& source = layer.mCharData[c].mImageRect;
        const int width = std::max(Scaled(source.mWidth, active.mScale), 0);
        const int height = std::max(Scaled(source.mHeight, active.mScale), 0);
        active.mCharRects[c] = Rect(static_cast<int>(x), 0, width, height);
        x += width;
        tallest = std::max(tallest, height);
    }
    // A width-list font has no application of its own: its images belong
    // to the program's.
    VornAppBase* app = mFontData->mApp ? mFontData->mApp : gApplication;
    active.mScaledImage = std::make_unique<MemoryImage>(app);
    MemoryImage& image = *active.mScaledImage;
    active.mImage = &image;
    if (x == 0 || tallest == 0)
        return;
    image.Create(static_cast<int>(x), tallest);
    if (MemoryImage* source = layer.mImage.GetImage()) {
        Graphics g(&image);
        for (size_t c = 0; c < active.mCharRects.size(); ++c) {
            const Rect& from = layer.mCharData[c].mImageRect;
            if (InsideImage(from, *source))
                g.DrawImage(source, active.mCharRects[c], from);
        }
    }
    if (mWhitenGlyphs) {
        uint32_t* bits = image.GetBits();
        for (size_t i = 0; i < image.PixelCount(); ++i)
            bits[i] |= 0xFFFFFFu;
        image.MarkBitsChanged();
    }
    image.ReduceToPalette();
}

void ImageFont::Prepare()
{
    if (mActiveListValid)
        return;
    BuildActiveLayers();
    mActiveListValid = true;
}

void ImageFont::SetPointSize(int pointSize)
{
    mPointSize = pointSize;
    mActiveListValid = false;
}

void ImageFont::SetScale(double scale)
{
    mScale = scale;
    mActiveListValid = false;
}

int ImageFont::GetDefaultPointSize() const
{
    return mFontData->mDefaultPointSize;
}

bool ImageFont::AddTag(const std::string& tag)
{
    const std::string upper = StringToUpper(tag);
    if (HasTag(upper))
        return false;
    mTags.push_back(upper);
    mActiveListValid = false;
    return true;
}

bool ImageFont::RemoveTag(const std::string& tag)
{
    const auto found = std::find(mTags.begin(), mTags.end(), StringToUpper(tag));
    if (found == mTags.end())
        return false;
    mTags.erase(found);
    mActiveListValid = false;
    return true;
}

bool ImageFont::HasTag(const std::string& tag) const
{
    return Contains(mTags, tag);
}

std::string ImageFont::GetDefinition(const std::string& name)
{
    const DataElement* definition = mFontData->LookUpDefinition(name);
    return definition ? DescParser::ElementToString(definition) : std::string();
}

int ImageFont::StringWidth(const std::string& text)
{
    int64_t width = 0;
    char previous = 0;
    for (const char c : text) {
        width += CharWidthWithKerning(c, previous);
        previous = c;
    }
    return ClampToInt(width);
}

int ImageFont::CharWidth(char c)
{
    return CharWidthWithKerning(c, 0);
}

int ImageFont::CharWidthWithKerning(char c, char previous)
{
    Prepare();
    const auto& map = mFontData->mCharMap;
    const unsigned char ch = map[static_cast<unsigned char>(c)];
    const unsigned char before = previous != 0 ? map[static_cast<unsigned char>(previous)] : 0;
    int64_t widest = 0;
    bool any = false;
    for (const ActiveFontLayer& active : mActiveLayerList) {
        const GlyphLayer& layer = *active.mBaseLayer;
        const int64_t advance = Scaled(layer.mCharData[ch].mWidth, active.mScale) +
                                (before != 0 ? KerningAdvance(layer, before, ch, active.mScale) : 0);
        widest = any ? std::max(widest, advance) : advance;
        any = true;
    }
    return ClampToInt(widest);
}

void ImageFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color, const Rect& clip)
{
    DrawStringLayered(g, x, y, text, color, clip, nullptr, nullptr);
}

void ImageFont::DrawStringLayered(Graphics* g, int x, int y, const std::string& text, const Color& color,
    const Rect&, std::vector<Rect>* rects, int* width)
{
    DrawScratch& scratch = Scratch();
    const AutoCrit lock(scratch.mLock);
    scratch.Clear();
    if (rects)
        rects->clear();
    if (!mFontData->mInitialized) {
        if (width)
            *width = 0;
        return;
    }
    Prepare();
    const bool colorize = g->GetColorize();
    g->SetColorize(true);

    const auto& map = mFontData->mCharMap;
    int pen = x;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = map[static_cast<unsigned char>(text[i])];
        const unsigned char next = i + 1 < text.size() ? map[static_cast<unsigned char>(text[i + 1])] : 0;
        // The pen stays when no piece was made.
        int64_t advance = pen;
        bool made = false;
        for (const ActiveFontLayer& active : mActiveLayerList) {
            if (scratch.mUsed == DrawScratch::kMaxCommands)
                break;
            const GlyphLayer& layer = *active.mBaseLayer;
            const GlyphInfo& glyph = layer.mCharData[c];
            const double f = active.mScale;
            DrawCommand command;
            command.mImage = active.mImage;
            command.mX = ClampToInt(pen + int64_t{Scaled(int64_t{glyph.mOffsetX} + layer.mOffsetX, f)});
            command.mY = ClampToInt(y - int64_t{Scaled(int64_t{layer.mAscent} - glyph.mOffsetY - layer.mOffsetY, f)});
            command.mSource = active.mCharRects[c];
            command.mDrawMode = layer.mDrawMode;
            command.mColor = LayerColor(layer, color);
            scratch.Append(DrawOrder(layer, glyph), command);
            if (rects)
                rects->push_back(Rect(command.mX, command.mY, command.mSource.mWidth, command.mSource.mHeight));
            const int64_t candidate =
                pen + int64_t{Scaled(glyph.mWidth, f)} + (next != 0 ? KerningAdvance(layer, c, next, f) : 0);
            advance = made ? std::max(advance, candidate) : candidate;
            made = true;
        }
        pen = ClampToInt(advance);
    }
    if (width)
        *width = ClampToInt(int64_t{pen} - x);

    const Color kept = g->GetColor();
    for (const int first : scratch.mFirst) {
        for (int i = first; i >= 0; i = scratch.mPool[static_cast<size_t>(i)].mNext) {
            const DrawCommand& command = scratch.mPool[static_cast<size_t>(i)];
            const int mode = g->GetDrawMode();
            if (command.mDrawMode != -1)
                g->SetDrawMode(command.mDrawMode);
            g->SetColor(command.mColor);
            if (command.mImage)
                g->DrawImage(command.mImage, command.mX, command.mY, command.mSource);
            g->SetDrawMode(mode);
        }
    }
    g->SetColor(kept);
    g->SetColorize(colorize);
}

} // namespace Vorn
