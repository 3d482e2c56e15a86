#pragma once
// A font of the desktop's system fonts by face name and point size, drawn in
// software: the text is laid into an image of its own, each pixel the text's
// colour with the glyphs' coverage as alpha, and that image is drawn like any
// other.

#include "framework/graphics/Font.h"

#include <memory>
#include <string>

namespace Platform {
class SystemFont;
} // namespace Platform

namespace Vorn {

class VornAppBase;

class SysFont : public Font {
public:
    // Both at 96 dots per inch: there is no screen to ask for its own.
    SysFont(const std::string& face, int pointSize, bool bold, bool italics, bool underline);
    // The script names a character set of the other desktop; text is always
    // read as Windows-1252 here.
    SysFont(VornAppBase* app, const std::string& face, int pointSize, int script);
    // A font of its own from the other's description; the switches start off.
    SysFont(const SysFont& other);
    ~SysFont() override;

    // The advance of the text on one line.
    int StringWidth(const std::string& text) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
        const Rect& clip) override;
    std::unique_ptr<Font> Duplicate() const override;

    // The description the font was made from.
    std::string mFace;
    int mPointSize;
    bool mBold;
    bool mItalics;
    bool mUnderline;
    // Black text at (1, 1) first, at (2, 1) too with the double draw.
    bool mDrawShadow = false;
    // Drawn twice, one pixel apart, where bold is simulated.
    bool mSimulateBold = false;

private:
    void Init();

    // Null when the desktop has no face for it: widths are 0, nothing draws.
    std::unique_ptr<Platform::SystemFont> mSystemFont;
};

} // namespace Vorn
