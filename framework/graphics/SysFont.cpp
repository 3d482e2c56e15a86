#include "framework/graphics/SysFont.h"

namespace Vorn {

SysFont::SysFont(const std::string& face, int pointSize, bool bold, bool italics, bool underline)
    : mFace(face), mPointSize(pointSize), mBold(bold), mItalics(italics), mUnderline(underline)
{
    // Point size at 96 dots per inch, rounded, in 64 bits: the size is input.
    const long long pixels = (static_cast<long long>(pointSize) * 96 + 36) / 72;
    mHeight = static_cast<int>(pixels);
    mAscent = mHeight;
}

// The switches are the owner's to set again on the copy.
SysFont::SysFont(const SysFont& other)
    : Font(other), mFace(other.mFace), mPointSize(other.mPointSize), mBold(other.mBold),
      mItalics(other.mItalics), mUnderline(other.mUnderline)
{
    mAscentPadding = 0;
    mLineSpacingOffset = 0;
}

std::unique_ptr<Font> SysFont::Duplicate() const
{
    return std::make_unique<SysFont>(*this);
}

} // namespace Vorn
