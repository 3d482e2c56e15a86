#pragma once
// The font descriptor a bitmap font is made from: a script of commands that
// defines names, creates layers (each up to 256 glyphs cut from one image,
// drawn with its own colour, offset and order) and sets their properties.
// Shared by every font made from it or copied from one. A second way to build
// one takes an image and a text file of character widths.

#include "framework/graphics/Color.h"
#include "framework/graphics/ImageRef.h"
#include "framework/graphics/Rect.h"
#include "framework/resources/DescParser.h"

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

namespace Vorn {

class MemoryImage;
class VornAppBase;

struct GlyphInfo {
    // Where the glyph lies in its layer's image.
    Rect mImageRect;
    // Added to the pen position when the glyph is drawn.
    int mOffsetX = 0;
    int mOffsetY = 0;
    // Extra advance when the character of that code follows this one.
    std::array<int8_t, 256> mKerningOffsets{};
    // Advance of the pen.
    int mWidth = 0;
    // Draw-order bias of this glyph.
    int mOrder = 0;
};

// A copy has every field; its image is shared.
struct GlyphLayer {
    // Upper-cased.
    std::vector<std::string> mRequiredTags;
    std::vector<std::string> mExcludedTags;
    std::array<GlyphInfo, 256> mCharData;
    Color mColorMult{255, 255, 255, 255};
    Color mColorAdd{0, 0, 0, 0};
    ImageRef mImage;
    // -1: the drawing context's.
    int mDrawMode = -1;
    int mOffsetX = 0;
    int mOffsetY = 0;
    // Extra advance after every character that another follows.
    int mSpacing = 0;
    // -1: no limit.
    int mMinPointSize = -1;
    int mMaxPointSize = -1;
    // The size the glyphs were drawn at; 0: none.
    int mPointSize = 0;
    int mAscent = 0;
    int mAscentPadding = 0;
    // 0: the glyph height.
    int mHeight = 0;
    // Tallest glyph: rectangle height + offset y.
    int mDefaultHeight = 0;
    int mLineSpacingOffset = 0;
    int mBaseOrder = 0;
};

class FontData : public DescParser {
public:
    // The character map starts as the identity.
    FontData();

    // Reads the descriptor file through the file layer; false only when the
    // data was loaded before: whether it loaded now is mInitialized.
    bool Load(VornAppBase* app, const std::string& path);
    // One layer of `image`, cut by a list of character widths read straight
    // from the disk (a font of this kind lives beside the program, not in
    // its archive). The image stays the caller's.
    bool LoadFromWidthList(MemoryImage* image, const std::string& path);

    // With an application, shows the text in the fatal-error box and goes
    // on; false.
    bool Error(const std::string& text) override;
    bool ExecuteCommand(ListDataElement& params) override;

    // The layer a value names; an unknown name is reported. False for a list.
    bool GetLayerFromDataElement(const DataElement* element, GlyphLayer*& layer);

    bool mInitialized = false;
    // Not owned; none for a width-list font, which reports nothing.
    VornAppBase* mApp = nullptr;
    int mDefaultPointSize = 0;
    std::array<unsigned char, 256> mCharMap{};
    // In creation order; a list, so that the names keep pointing at them.
    std::list<GlyphLayer> mFontLayerList;
    // By upper-cased name.
    std::map<std::string, GlyphLayer*> mFontLayerMap;
    std::string mSourceFile;
    std::string mFontErrorHeader;

private:
    // Argument kinds that the parser does not convert itself; false reports
    // nothing of its own.
    // A list of lists, each item converted to integers; an item that is not
    // a list of integers comes out empty.
    bool IntListsArg(const DataElement* element, std::vector<std::vector<int>>& lists);
    bool ColorArg(const DataElement* element, Color& color);

    // The commands, by the shape of their arguments.
    bool DefineCommand(const ListDataElement& params);
    bool CreateHorzSpanRectList(const ListDataElement& params);
    bool SetCharMap(const ListDataElement& params);
    bool CreateLayer(const ListDataElement& params, bool copied);
    bool LayerCommand(const std::string& command, const ListDataElement& params);
    bool LayerSetImage(GlyphLayer& layer, const DataElement* file);
    bool LayerSetImageMap(GlyphLayer& layer, const DataElement* chars, const DataElement* rects);
    // LayerSetCharWidths, LayerSetCharOffsets, LayerSetCharOrders and
    // LayerSetKerningPairs: a list of characters (or pairs) and a list of
    // values applied to them.
    bool LayerPerCharCommand(const std::string& command, GlyphLayer& layer, const DataElement* chars,
        const DataElement* values);
};

} // namespace Vorn
