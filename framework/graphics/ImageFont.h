#pragma once
// The bitmap font: its glyphs come from the layers of a shared font
// descriptor. For the font's point size, scale and tags it picks the layers
// that apply (its active layers), renders each at the size needed, measures
// with per-pair kerning, and draws each character once per active layer,
// all pieces sorted by draw order (every outline before every fill).

#include "framework/graphics/Font.h"
#include "framework/graphics/Rect.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace Vorn {

class FontData;
class MemoryImage;
class VornAppBase;
struct GlyphLayer;

// A layer as the font's current size draws it.
class ActiveFontLayer {
public:
    explicit ActiveFontLayer(const GlyphLayer* layer);
    // A rendered image is duplicated, the layer's own image shared.
    ActiveFontLayer(const ActiveFontLayer& other);
    ActiveFontLayer& operator=(const ActiveFontLayer&) = delete;
    ActiveFontLayer(ActiveFontLayer&&) noexcept;
    ~ActiveFontLayer();

    // Not owned.
    const GlyphLayer* mBaseLayer;
    // What the glyphs are cut from: the layer's image, or mScaledImage.
    MemoryImage* mImage = nullptr;
    std::unique_ptr<MemoryImage> mScaledImage;
    std::array<Rect, 256> mCharRects{};
    // Layer values are multiplied by this and truncated.
    double mScale = 1.0;
};

class ImageFont : public Font {
public:
    // Reads the font descriptor file; see FontData for whether it loaded.
    ImageFont(VornAppBase* app, const std::string& descriptorFile);
    // The font of an image (which stays the caller's) and a list of its
    // characters' widths.
    ImageFont(MemoryImage* image, const std::string& widthListFile);
    ImageFont(const ImageFont& other);
    ~ImageFont() override;

    int StringWidth(const std::string& text) override;
    int CharWidth(char c) override;
    int CharWidthWithKerning(char c, char previous) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
        const Rect& clip) override;
    std::unique_ptr<Font> Duplicate() const override;

    // Picks and renders the layers for the point size, scale and tags.
    virtual void BuildActiveLayers();
    // (x, y) is the left end of the baseline. `rects` (may be null) receives
    // one rectangle per piece drawn, `width` (may be null) the advance of the
    // whole string. The clip argument is not used: the context's clip holds.
    virtual void DrawStringLayered(Graphics* g, int x, int y, const std::string& text, const Color& color,
        const Rect& clip, std::vector<Rect>* rects, int* width);
    virtual void SetPointSize(int pointSize);
    virtual int GetPointSize() const { return mPointSize; }
    virtual void SetScale(double scale);
    virtual int GetDefaultPointSize() const;
    // Tags are kept upper-cased; false when it is already there.
    virtual bool AddTag(const std::string& tag);
    // False when it was not there.
    virtual bool RemoveTag(const std::string& tag);
    // Compares with the stored, upper-cased tags as given.
    virtual bool HasTag(const std::string& tag) const;
    // The text of the descriptor's definition of the name; empty when none.
    virtual std::string GetDefinition(const std::string& name);
    // Rebuilds the active layers after a change of size, scale or tags.
    virtual void Prepare();

    std::shared_ptr<FontData> mFontData;
    int mPointSize = 0;
    std::vector<std::string> mTags;
    bool mActiveListValid = true;
    std::vector<ActiveFontLayer> mActiveLayerList;
    double mScale = 1.0;
    // Rendered glyphs become white, keeping their alpha, so that the draw
    // colour alone colours them.
    bool mWhitenGlyphs = false;

private:
    bool LayerApplies(const GlyphLayer& layer) const;
    // The layer's glyphs at scale f in an image of their own, side by side.
    void RenderLayer(ActiveFontLayer& active);
};

} // namespace Vorn
