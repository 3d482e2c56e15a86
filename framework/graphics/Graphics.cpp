#include "framework/graphics/Graphics.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <utility>

namespace Vorn {

namespace {

// Truncation toward zero; false for NaN, the infinities and anything an int
// cannot hold, where the conversion itself would be undefined.
bool TruncateToInt(float value, int& out)
{
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return false;
    out = static_cast<int>(value);
    return true;
}

bool AllFinite(std::initializer_list<double> values)
{
    for (double value : values)
        if (!std::isfinite(value))
            return false;
    return true;
}

bool MatrixFinite(const Matrix3x3& matrix)
{
    for (const auto& row : matrix.m)
        for (float entry : row)
            if (!std::isfinite(entry))
                return false;
    return true;
}

// A bad cel or glyph rectangle must not make a blit read outside its source.
bool SourceInside(const Image* image, const Rect& source)
{
    return image != nullptr && source.mX >= 0 && source.mY >= 0 && source.mWidth > 0 && source.mHeight > 0
        && int64_t(source.mX) + source.mWidth <= image->GetWidth()
        && int64_t(source.mY) + source.mHeight <= image->GetHeight();
}

Rect WholeImage(const Image& image)
{
    return Rect(0, 0, image.GetWidth(), image.GetHeight());
}

// A position or size summed in 64 bits, held to what an int holds: beyond
// that it lies outside every image either way.
int Clamped(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

bool HasArea(const Rect& rect)
{
    return rect.mWidth > 0 && rect.mHeight > 0;
}

int HexDigit(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

// Moves the first point along the line to `to` on the axis `a`, the other
// axis `b` following.
void MovePoint(double& a0, double& b0, double a1, double b1, double to)
{
    b0 += (to - a0) * (b1 - b0) / (a1 - a0);
    a0 = to;
}

// Clips the segment to [low, end - 1] on axis `a`, ordering it by `a` first.
bool ClipAxis(double& a0, double& b0, double& a1, double& b1, double low, double end)
{
    if (a0 > a1) {
        std::swap(a0, a1);
        std::swap(b0, b1);
    }
    if (a0 < low) {
        if (a1 < low)
            return false;
        MovePoint(a0, b0, a1, b1, low);
    }
    if (a1 >= end) {
        if (a0 >= end)
            return false;
        MovePoint(a1, b1, a0, b0, end - 1);
    }
    return true;
}

} // namespace

Graphics::Graphics(Image* destination)
{
    if (destination != nullptr)
        mDestImage = destination;
    mClipRect = WholeImage(*mDestImage);
    mIs3D = mDestImage->UsesDirect3D();
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

Graphics::~Graphics() = default;

std::unique_ptr<Graphics> Graphics::Create() const
{
    return std::unique_ptr<Graphics>(new (std::nothrow) Graphics(*this));
}

void Graphics::PushState()
{
    mStateStack.push_back(*this);
}

void Graphics::PopState()
{
    if (mStateStack.empty())
        return;
    CopyStateFrom(mStateStack.back());
    mStateStack.pop_back();
}

void Graphics::Translate(int x, int y)
{
    mTransX += static_cast<float>(x);
    mTransY += static_cast<float>(y);
}

bool Graphics::TranslatePoint(int x, int y, int& outX, int& outY) const
{
    return TruncateToInt(static_cast<float>(x) + mTransX, outX) && TruncateToInt(static_cast<float>(y) + mTransY, outY);
}

void Graphics::ClipRect(int x, int y, int width, int height)
{
    int clipX = 0;
    int clipY = 0;
    // A corner no int can hold lies outside every image.
    if (!TranslatePoint(x, y, clipX, clipY)) {
        mClipRect = Rect();
        return;
    }
    mClipRect = mClipRect.Intersection(Rect(clipX, clipY, width, height));
}

void Graphics::FillRect(int x, int y, int width, int height)
{
    int destX = 0;
    int destY = 0;
    if (mColor.mAlpha == 0 || !TranslatePoint(x, y, destX, destY))
        return;
    const Rect visible = mClipRect.Intersection(Rect(destX, destY, width, height));
    if (HasArea(visible))
        mDestImage->FillRect(visible, mColor, mDrawMode);
}

void Graphics::DrawRect(int x, int y, int width, int height)
{
    int destX = 0;
    int destY = 0;
    if (mColor.mAlpha == 0 || !TranslatePoint(x, y, destX, destY))
        return;
    const int outerWidth = Clamped(int64_t{width} + 1);
    const int innerHeight = Clamped(int64_t{height} - 1);
    const Rect outline(destX, destY, outerWidth, Clamped(int64_t{height} + 1));
    if (mClipRect.Intersection(outline) == outline) {
        mDestImage->DrawRect(Rect(destX, destY, width, height), mColor, mDrawMode);
        return;
    }
    FillRect(x, y, outerWidth, 1);
    FillRect(x, Clamped(int64_t{y} + height), outerWidth, 1);
    FillRect(x, Clamped(int64_t{y} + 1), 1, innerHeight);
    FillRect(Clamped(int64_t{x} + width), Clamped(int64_t{y} + 1), 1, innerHeight);
}

bool Graphics::ClipLine(double& x0, double& y0, double& x1, double& y1) const
{
    const Rect& clip = mClipRect;
    return ClipAxis(x0, y0, x1, y1, clip.mX, double(clip.mX) + clip.mWidth)
        && ClipAxis(y0, x0, y1, x1, clip.mY, double(clip.mY) + clip.mHeight);
}

void Graphics::DrawLine(int x0, int y0, int x1, int y1)
{
    double startX = x0 + double(mTransX);
    double startY = y0 + double(mTransY);
    double endX = x1 + double(mTransX);
    double endY = y1 + double(mTransY);
    if (ClipLine(startX, startY, endX, endY))
        mDestImage->DrawLine(startX, startY, endX, endY, mColor, mDrawMode);
}

void Graphics::DrawString(const std::string& text, int x, int y)
{
    if (mFont != nullptr)
        mFont->DrawString(this, x, y, text, mColor, mClipRect);
}

void Graphics::DrawImage(Image* image, int x, int y)
{
    if (image == nullptr)
        return;
    if (mScaleX != 1.0f || mScaleY != 1.0f) {
        DrawImage(image, x, y, WholeImage(*image));
        return;
    }
    int destX = 0;
    int destY = 0;
    if (!SourceInside(image, WholeImage(*image)) || !TranslatePoint(x, y, destX, destY))
        return;
    const Rect visible = mClipRect.Intersection(Rect(destX, destY, image->GetWidth(), image->GetHeight()));
    if (!HasArea(visible))
        return;
    mDestImage->Blt(image, visible.mX, visible.mY,
        Rect(visible.mX - destX, visible.mY - destY, visible.mWidth, visible.mHeight), ImageColor(), mDrawMode);
}

void Graphics::DrawImage(Image* image, int x, int y, const Rect& source)
{
    int destX = 0;
    int destY = 0;
    if (!SourceInside(image, source) || !TranslatePoint(x, y, destX, destY))
        return;
    if (mScaleX == 1.0f && mScaleY == 1.0f) {
        const Rect visible = mClipRect.Intersection(Rect(destX, destY, source.mWidth, source.mHeight));
        if (!HasArea(visible))
            return;
        mDestImage->Blt(image, visible.mX, visible.mY,
            Rect(source.mX + visible.mX - destX, source.mY + visible.mY - destY, visible.mWidth, visible.mHeight),
            ImageColor(), mDrawMode);
        return;
    }
    Rect scaled;
    if (!TruncateToInt(std::floor((static_cast<float>(destX) - mScaleOrigX) * mScaleX) + mScaleOrigX, scaled.mX)
        || !TruncateToInt(std::floor((static_cast<float>(destY) - mScaleOrigY) * mScaleY) + mScaleOrigY, scaled.mY)
        || !TruncateToInt(std::ceil(static_cast<float>(source.mWidth) * mScaleX), scaled.mWidth)
        || !TruncateToInt(std::ceil(static_cast<float>(source.mHeight) * mScaleY), scaled.mHeight))
        return;
    mDestImage->StretchBlt(image, scaled, source, mClipRect, ImageColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImage(Image* image, const Rect& dest, const Rect& source)
{
    Rect translated = dest;
    if (SourceInside(image, source) && TranslatePoint(dest.mX, dest.mY, translated.mX, translated.mY))
        mDestImage->StretchBlt(image, translated, source, mClipRect, ImageColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageMirrored(Image* image, int x, int y, const Rect& source)
{
    int destX = 0;
    int destY = 0;
    if (!SourceInside(image, source) || !TranslatePoint(x, y, destX, destY))
        return;
    const Rect visible = mClipRect.Intersection(Rect(destX, destY, source.mWidth, source.mHeight));
    if (!HasArea(visible))
        return;
    const Rect mirroredSource(source.mX + source.mWidth - (visible.mX - destX) - visible.mWidth,
        source.mY + visible.mY - destY, visible.mWidth, visible.mHeight);
    mDestImage->BltMirrored(image, visible.mX, visible.mY, mirroredSource, ImageColor(), mDrawMode);
}

void Graphics::DrawImageMirrored(Image* image, const Rect& dest, const Rect& source, bool mirror)
{
    if (!mirror) {
        DrawImage(image, dest, source);
        return;
    }
    Rect translated = dest;
    if (SourceInside(image, source) && TranslatePoint(dest.mX, dest.mY, translated.mX, translated.mY))
        mDestImage->StretchBltMirrored(image, translated, source, mClipRect, ImageColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageAtFloat(Image* image, float x, float y, const Rect& source)
{
    const float destX = x + mTransX;
    const float destY = y + mTransY;
    if (SourceInside(image, source) && AllFinite({destX, destY}))
        mDestImage->BltAtFloat(image, destX, destY, source, mClipRect, ImageColor(), mDrawMode);
}

void Graphics::DrawImageRotatedAtFloat(Image* image, float x, float y, float centerX, float centerY,
    const Rect* source, double angle)
{
    if (image == nullptr)
        return;
    const Rect whole = WholeImage(*image);
    const Rect& from = source != nullptr ? *source : whole;
    const float destX = x + mTransX;
    const float destY = y + mTransY;
    if (SourceInside(image, from) && AllFinite({destX, destY, centerX, centerY, angle}))
        mDestImage->BltRotated(image, destX, destY, from, mClipRect, ImageColor(), mDrawMode, angle, centerX,
            centerY);
}

void Graphics::DrawImageByMatrix(Image* image, const Matrix3x3& matrix, const Rect& source, float x, float y)
{
    const float destX = x + mTransX;
    const float destY = y + mTransY;
    if (SourceInside(image, source) && AllFinite({destX, destY}) && MatrixFinite(matrix))
        mDestImage->BltByMatrix(image, destX, destY, matrix, mClipRect, ImageColor(), mDrawMode, source,
            mLinearBlend);
}

void Graphics::DrawImageTransform(Image* image, const Transform& transform, float x, float y)
{
    if (image != nullptr)
        DrawImageTransformAtFloat(image, transform, WholeImage(*image), x, y);
}

void Graphics::DrawImageTransform(Image* image, const Transform& transform, const Rect& source, float x, float y)
{
    DrawImageTransformAtFloat(image, transform, source, x, y);
}

void Graphics::DrawImageTransformAtFloat(Image* image, const Transform& transform, const Rect& source, float x,
    float y)
{
    const Transform& t = transform;
    const float centerX = static_cast<float>(source.mWidth) / 2.0f;
    const float centerY = static_cast<float>(source.mHeight) / 2.0f;

    if (t.mComplex || mIs3D) {
        // The caller's transform stays untouched: its matrix may be stale.
        Transform built = t;
        DrawImageByMatrix(image, built.GetMatrix(), source, x, y);
    } else if (t.mRotated) {
        const float pivotX = centerX - t.mTransX;
        const float pivotY = centerY - t.mTransY;
        DrawImageRotatedAtFloat(image, x + t.mExtraX - pivotX + 0.5f, y + t.mExtraY - pivotY + 0.5f, pivotX, pivotY,
            &source, t.mAngle);
    } else if (t.mScaled && t.mScaleX == -1.0f && t.mScaleY == 1.0f) {
        int destX = 0;
        int destY = 0;
        if (TruncateToInt(t.mTransX + x + t.mExtraX - centerX + 0.5f, destX)
            && TruncateToInt(t.mTransY + y + t.mExtraY - centerY + 0.5f, destY))
            DrawImageMirrored(image, destX, destY, source);
    } else if (t.mScaled) {
        // Any negative x scale mirrors; the stretch itself always gets a
        // positive width.
        const float scaleX = std::fabs(t.mScaleX);
        Rect dest;
        if (TruncateToInt(x + t.mExtraX - scaleX * centerX, dest.mX)
            && TruncateToInt(y + t.mExtraY - t.mScaleY * centerY, dest.mY)
            && TruncateToInt(2.0f * scaleX * centerX, dest.mWidth)
            && TruncateToInt(2.0f * t.mScaleY * centerY, dest.mHeight))
            DrawImageMirrored(image, dest, source, t.mScaleX < 0.0f);
    } else {
        DrawImageAtFloat(image, t.mTransX + x + t.mExtraX - centerX + 0.5f, t.mTransY + y + t.mExtraY - centerY + 0.5f,
            source);
    }
}

void Graphics::DrawImageAsBox(const Rect& dest, Image* image)
{
    if (image != nullptr)
        DrawImageAsBox(dest, image, WholeImage(*image));
}

void Graphics::DrawImageAsBox(const Rect& dest, Image* image, const Rect& source)
{
    if (!SourceInside(image, source))
        return;
    // Positions and sizes in 64 bits: a box at the edge of what an int holds
    // must not overflow; each is held to an int where it is drawn.
    const int64_t sx = source.mX;
    const int64_t sy = source.mY;
    const int64_t cw = source.mWidth / 3;
    const int64_t ch = source.mHeight / 3;
    const int64_t mw = source.mWidth - 2 * cw;
    const int64_t mh = source.mHeight - 2 * ch;
    const int64_t x = dest.mX;
    const int64_t y = dest.mY;
    const int64_t w = dest.mWidth;
    const int64_t h = dest.mHeight;
    const auto tile = [image](Graphics& g, int64_t atX, int64_t atY, int64_t fromX, int64_t fromY, int64_t width,
                          int64_t height) {
        g.DrawImage(image, Clamped(atX), Clamped(atY),
            Rect(Clamped(fromX), Clamped(fromY), Clamped(width), Clamped(height)));
    };
    const auto clip = [](Graphics& g, int64_t atX, int64_t atY, int64_t width, int64_t height) {
        g.ClipRect(Clamped(atX), Clamped(atY), Clamped(width), Clamped(height));
    };

    tile(*this, x, y, sx, sy, cw, ch);
    tile(*this, x + w - cw, y, sx + cw + mw, sy, cw, ch);
    tile(*this, x, y + h - ch, sx, sy + ch + mh, cw, ch);
    tile(*this, x + w - cw, y + h - ch, sx + cw + mw, sy + ch + mh, cw, ch);

    const int64_t columns = (w - 2 * cw + mw - 1) / mw;
    const int64_t rows = (h - 2 * ch + mh - 1) / mh;

    Graphics edges(*this);
    clip(edges, x + cw, y, w - 2 * cw, h);
    for (int64_t k = 0; k < columns; ++k) {
        const int64_t tileX = x + cw + k * mw;
        tile(edges, tileX, y, sx + cw, sy, mw, ch);
        tile(edges, tileX, y + h - ch, sx + cw, sy + ch + mh, mw, ch);
    }

    Graphics sides(*this);
    clip(sides, x, y + ch, w, h - 2 * ch);
    for (int64_t j = 0; j < rows; ++j) {
        const int64_t tileY = y + ch + j * mh;
        tile(sides, x, tileY, sx, sy + ch, cw, mh);
        tile(sides, x + w - cw, tileY, sx + cw + mw, sy + ch, cw, mh);
    }

    Graphics centre(*this);
    clip(centre, x + cw, y + ch, w - 2 * cw, h - 2 * ch);
    for (int64_t k = 0; k < columns; ++k)
        for (int64_t j = 0; j < rows; ++j)
            tile(centre, x + cw + k * mw, y + ch + j * mh, sx + cw, sy + ch, mw, mh);
}

int Graphics::DrawTextWithCodes(const std::string& text, int x, int y, int width, int justification, bool draw,
    int offset, int length, int oldColor)
{
    // Without a font text has no width and nothing to draw with.
    if (mFont == nullptr)
        return 0;
    if (oldColor == -1)
        oldColor = static_cast<int>(mColor.ToInt());
    if (draw && (justification == kJustifyCentre || justification == kJustifyRight)) {
        const int measured = DrawTextWithCodes(text, x, y, width, kJustifyLeft, false, offset, length, oldColor);
        x += justification == kJustifyCentre ? (width - measured) / 2 : width - measured;
    }

    const int64_t size = static_cast<int64_t>(text.size());
    // An offset outside the text would index outside it.
    const int64_t begin = offset < 0 ? 0 : std::min<int64_t>(offset, size);
    const int64_t end = length < 0 || begin + length > size ? size : begin + length;

    std::string piece;
    int running = 0;
    int64_t i = begin;
    while (i < end) {
        const char c = text[i];
        if (c != '^' || !mWriteColoredString) {
            piece += c;
            ++i;
            continue;
        }
        if (i + 1 < end && text[i + 1] == '^') {
            piece += '^';
            i += 2;
            continue;
        }
        if (end - i < 8)
            break;
        uint32_t value = 0;
        if (text[i + 1] == 'o') {
            value = text.compare(i + 1, 6, "oldclr") == 0 ? static_cast<uint32_t>(oldColor) : 0;
        } else {
            for (int digit = 1; digit <= 6; ++digit)
                value = (value << 4) | static_cast<uint32_t>(HexDigit(static_cast<unsigned char>(text[i + digit])));
        }
        if (draw) {
            DrawString(piece, x + running, y);
            mColor = Color(static_cast<int>((value >> 16) & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                static_cast<int>(value & 0xFFu), mColor.mAlpha);
        }
        running += mFont->StringWidth(piece);
        piece.clear();
        i += 8;
    }
    if (draw)
        DrawString(piece, x + running, y);
    return running + mFont->StringWidth(piece);
}

int Graphics::DrawWrappedTextPart(const std::string& text, int x, int y, int width, int justification, int oldColor,
    int offset, int length)
{
    return WrappedPart(text, x, y, width, justification, oldColor, offset, length, true);
}

int Graphics::WrappedPart(const std::string& text, int x, int y, int width, int justification, int oldColor,
    int offset, int length, bool draw)
{
    const int64_t left = static_cast<int64_t>(text.size()) - offset;
    if (length > left)
        length = static_cast<int>(left);
    if (length < 1)
        return -1;
    return DrawTextWithCodes(text, x, y, width, justification, draw, offset, length, oldColor);
}

int Graphics::DrawWrappedText(const std::string& text, const Rect& dest, int lineSpacing, int justification)
{
    return WrapText(text, dest, lineSpacing, justification, true);
}

int Graphics::WrapText(const std::string& text, const Rect& dest, int lineSpacing, int justification, bool draw)
{
    if (mFont == nullptr)
        return 0;
    const Color startColor = mColor;
    uint32_t packed = mColor.ToInt();
    if (mColor.mAlpha == 255)
        packed &= 0x00FFFFFFu;
    const int oldColor = static_cast<int>(packed);

    int baseline = mFont->GetAscent() - mFont->GetAscentPadding();
    if (lineSpacing == -1)
        lineSpacing = mFont->GetLineSpacing();
    const int size = static_cast<int>(text.size());
    const int64_t w = dest.mWidth;

    int lineStart = 0;
    int breakAt = -1;
    int64_t lineWidth = 0;
    char previous = 0;
    int i = 0;
    while (i < size) {
        char c = text[i];
        if (c == '^' && mWriteColoredString && i + 1 < size) {
            if (text[i + 1] != '^') {
                // A code is never counted; the skip stops at the text's end.
                i = std::min(i + 8, size);
                continue;
            }
            ++i;
        } else if (c == ' ') {
            breakAt = i;
        } else if (c == '\n') {
            breakAt = i;
            lineWidth = w + 1;
        }
        lineWidth += mFont->CharWidthWithKerning(c, previous);
        previous = c;
        if (lineWidth <= w) {
            ++i;
            continue;
        }

        int resume = 0;
        if (breakAt >= 0) {
            int bandY = 0;
            const bool visible = TruncateToInt(static_cast<float>(dest.mY + baseline) + mTransY, bandY)
                && bandY >= mClipRect.mY && int64_t(bandY) < int64_t(mClipRect.mY) + mClipRect.mHeight + lineSpacing;
            if (visible)
                WrappedPart(text, dest.mX, dest.mY + baseline, dest.mWidth, justification, oldColor, lineStart,
                    breakAt - lineStart, draw);
            resume = breakAt + 1;
            if (text[breakAt] == ' ')
                while (resume < size && text[resume] == ' ')
                    ++resume;
        } else {
            // A word wider than the rectangle: at least one character a line,
            // or the walk would never move on.
            const int count = i > lineStart ? i - lineStart : 1;
            if (WrappedPart(text, dest.mX, dest.mY + baseline, dest.mWidth, justification, oldColor, lineStart, count,
                    draw)
                == -1)
                break;
            resume = lineStart + count;
        }
        baseline += lineSpacing;
        lineWidth = 0;
        previous = 0;
        breakAt = -1;
        lineStart = resume;
        i = resume;
    }

    if (WrappedPart(text, dest.mX, dest.mY + baseline, dest.mWidth, justification, oldColor, lineStart,
            size - lineStart, draw)
        != -1)
        baseline += lineSpacing;
    else if (size > 0 && text[size - 1] == '\n')
        baseline += lineSpacing;

    mColor = startColor;
    return baseline - lineSpacing + mFont->GetDescent();
}

int Graphics::MeasureWrappedHeight(const std::string& text, int width, int lineSpacing)
{
    // Laid out exactly as drawn, but never handed to the font: the lines
    // would land on the empty image anyway.
    Graphics measure(nullptr);
    measure.mFont = mFont;
    return measure.WrapText(text, Rect(0, 0, width, 0), lineSpacing, kJustifyLeft, false);
}

} // namespace Vorn
