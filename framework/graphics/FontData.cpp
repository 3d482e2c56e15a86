// Loading a font's data from a descriptor or a width list, and reporting
// what is wrong with a descriptor.

#include "framework/graphics/FontData.h"

#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <thread>

namespace Vorn {

FontData::FontData()
{
    for (size_t c = 0; c < mCharMap.size(); ++c)
        mCharMap[c] = static_cast<unsigned char>(c);
}

bool FontData::Load(VornAppBase* app, const std::string& path)
{
    if (mInitialized)
        return false;
    mApp = app;
    mCurrentLine.clear();
    mFontErrorHeader = "Font Descriptor Error in " + path + "\r\n";
    mSourceFile = path;
    mInitialized = ReadDescriptorFile(path);
    return true;
}

bool FontData::LoadFromWidthList(MemoryImage* image, const std::string& path)
{
    if (mInitialized)
        return false;
    GlyphLayer& layer = mFontLayerList.emplace_back();
    mFontLayerMap[""] = &layer;
    layer.mImage = image;
    const int imageWidth = image ? image->mWidth : 0;
    const int imageHeight = image ? image->mHeight : 0;
    layer.mDefaultHeight = imageHeight;
    layer.mAscent = imageHeight;

    Platform::RegularFileStream file(Platform::ResolveFileName(path));
    if (!file)
        return false;
    mSourceFile = path;
    int spaceWidth = 0;
    int ascent = 0;
    if (!(file >> spaceWidth >> ascent))
        return false;
    layer.mCharData[' '].mWidth = spaceWidth;
    layer.mAscent = ascent;

    // Glyphs lie side by side from the left. A glyph reaching past the
    // image's edge keeps its advance (drawing refuses its pixels); the list
    // ends once the glyphs would start past the edge, or at a width that
    // cannot be read or is negative.
    int64_t x = 0;
    char c = 0;
    int width = 0;
    while (x <= imageWidth && file >> c && file >> width && width >= 0) {
        GlyphInfo& glyph = layer.mCharData[static_cast<unsigned char>(c)];
        glyph.mImageRect = Rect(static_cast<int>(x), 0, width, imageHeight);
        glyph.mWidth = width;
        x += width;
    }

    for (int upper = 'A'; upper <= 'Z'; ++upper) {
        const int lower = upper - 'A' + 'a';
        if (layer.mCharData[upper].mWidth == 0 && layer.mCharData[lower].mWidth != 0)
            mCharMap[upper] = static_cast<unsigned char>(lower);
    }
    for (int lower = 'a'; lower <= 'z'; ++lower) {
        const int upper = lower - 'a' + 'A';
        if (layer.mCharData[lower].mWidth == 0 && layer.mCharData[upper].mWidth != 0)
            mCharMap[lower] = static_cast<unsigned char>(upper);
    }
    mInitialized = true;
    return true;
}

bool FontData::Error(const std::string& text)
{
    DescParser::Error(text);
    if (!mApp)
        return false;
    std::string message = mFontErrorHeader + text;
    if (!mCurrentLine.empty())
        message += " on Line " + FormatString("%d:\r\n\r\n", mCurrentLineNum) + mCurrentLine;

    // Fonts are also loaded on the loading thread. The fatal-error box
    // ignores input meanwhile, releases keys and buttons and resets the frame
    // timing: work of the main thread, which is handed the text to show.
    const std::thread::id mainThread = mApp->mMainThreadId;
    if (mainThread == std::thread::id() || std::this_thread::get_id() == mainThread)
        mApp->ShowFatalError(message);
    else
        mApp->PostFatalError(message);
    return false;
}

} // namespace Vorn
