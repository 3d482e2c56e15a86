#include "framework/graphics/ImageFont.h"

#include "framework/app/StringUtils.h"
#include "framework/graphics/FontData.h"

#include <algorithm>

namespace Vorn {

ImageFont::ImageFont(VornAppBase* app, const std::string& descriptorFile) : mFontData(std::make_shared<FontData>())
{
    mFontData->Load(app, descriptorFile);
    mPointSize = mFontData->mDefaultPointSize;
}

ImageFont::ImageFont(Image* image, const std::string& widthListFile) : mFontData(std::make_shared<FontData>())
{
    mFontData->LoadFromWidthList(image, widthListFile);
    mPointSize = mFontData->mDefaultPointSize;
}

std::unique_ptr<Font> ImageFont::Duplicate() const
{
    return std::make_unique<ImageFont>(*this);
}

bool ImageFont::AddTag(const std::string& tag)
{
    if (HasTag(tag))
        return false;
    mTags.push_back(StringToUpper(tag));
    mActiveListValid = false;
    return true;
}

bool ImageFont::HasTag(const std::string& tag) const
{
    return std::find(mTags.begin(), mTags.end(), tag) != mTags.end();
}

void ImageFont::Prepare()
{
    mActiveListValid = true;
}

} // namespace Vorn
