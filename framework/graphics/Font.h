#pragma once
// What the drawing context, the widgets and the game need of a font: four
// metrics, the widths of strings and characters, and drawing at a baseline.

#include "framework/graphics/Color.h"
#include "framework/graphics/Rect.h"

#include <memory>
#include <string>

namespace Vorn {

class Graphics;

class Font {
public:
    Font() = default;
    Font(const Font&) = default;
    Font& operator=(const Font&) = delete;
    virtual ~Font() = default;

    virtual int GetAscent() const { return mAscent; }
    virtual int GetAscentPadding() const { return mAscentPadding; }
    virtual int GetDescent() const { return mHeight - mAscent; }
    virtual int GetHeight() const { return mHeight; }
    virtual int GetLineSpacingOffset() const { return mLineSpacingOffset; }
    virtual int GetLineSpacing() const { return mHeight + mLineSpacingOffset; }

    // Kerning included. A font without glyphs measures every string as 0.
    virtual int StringWidth(const std::string& text);
    virtual int CharWidth(char c);
    virtual int CharWidthWithKerning(char c, char previous);

    // (x, y) is the left end of the baseline before the context's translation;
    // the clip rectangle is in destination pixels.
    virtual void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
        const Rect& clip);

    virtual std::unique_ptr<Font> Duplicate() const = 0;

    // Pixels above the baseline.
    int mAscent = 0;
    // The top of the ascent that wrapped text does not count.
    int mAscentPadding = 0;
    // Ascent plus descent.
    int mHeight = 0;
    // Added to the height to give the distance between baselines.
    int mLineSpacingOffset = 0;
};

} // namespace Vorn
