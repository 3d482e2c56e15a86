#pragma once
// The bitmap font: its glyphs come from the layers of a shared font
// descriptor, chosen by point size and tags.

#include "framework/graphics/Font.h"

#include <memory>
#include <string>
#include <vector>

namespace Vorn {

class FontData;
class Image;
class VornAppBase;

class ImageFont : public Font {
public:
    // Reads the font descriptor file; see FontData for whether it loaded.
    ImageFont(VornAppBase* app, const std::string& descriptorFile);
    // The font of an image and a list of its characters' widths.
    ImageFont(Image* image, const std::string& widthListFile);
    ImageFont(const ImageFont& other) = default;

    std::unique_ptr<Font> Duplicate() const override;

    // Tags are kept upper-cased; false when it is already there.
    bool AddTag(const std::string& tag);
    bool HasTag(const std::string& tag) const;
    // Makes the font ready for measuring and drawing after changes.
    void Prepare();

    std::shared_ptr<FontData> mFontData;
    int mPointSize = 0;
    std::vector<std::string> mTags;
    bool mActiveListValid = true;
};

} // namespace Vorn
