#pragma once
// A font of the desktop's system fonts by face name and point size. No font
// engine is attached yet: the metrics follow from the point size alone,
// strings measure 0 and nothing is drawn.

#include "framework/graphics/Font.h"

#include <memory>
#include <string>

namespace Vorn {

class SysFont : public Font {
public:
    // At 96 dots per inch.
    SysFont(const std::string& face, int pointSize, bool bold, bool italics, bool underline);
    SysFont(const SysFont& other);

    std::unique_ptr<Font> Duplicate() const override;

    std::string mFace;
    int mPointSize;
    bool mBold;
    bool mItalics;
    bool mUnderline;
    // Black text at (1, 1) first.
    bool mDrawShadow = false;
    // Drawn twice, one pixel apart, where bold is simulated.
    bool mSimulateBold = false;
};

} // namespace Vorn
