#pragma once
// The font descriptor a bitmap font is made from, shared by every font made
// from it or copied from one. This form reads the descriptor through the
// description language, so that a missing or malformed file is reported, and
// takes each command as written; it builds no glyph layers, so its fonts
// measure every string as 0 and draw nothing.

#include "framework/resources/DescParser.h"

#include <string>

namespace Vorn {

class Image;
class VornAppBase;

class FontData : public DescParser {
public:
    // False when the file cannot be read or a command is malformed.
    bool Load(VornAppBase* app, const std::string& path);
    // False when the width list cannot be read.
    bool LoadFromWidthList(Image* image, const std::string& path);

    bool ExecuteCommand(ListDataElement& params) override;

    bool mInitialized = false;
    VornAppBase* mApp = nullptr;
    int mDefaultPointSize = 0;
    std::string mSourceFile;
};

} // namespace Vorn
