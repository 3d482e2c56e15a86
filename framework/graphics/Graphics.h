#pragma once
// The drawing context: the one road by which widgets, the game, the overlays
// and the fonts draw onto an image. It turns each request into the destination
// image's own operation with the position translated, the clip rectangle,
// colour and draw mode attached, and lays out text with colour codes and word
// wrapping through the current font. It never owns its image or its font.

#include "framework/graphics/Color.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Matrix3x3.h"
#include "framework/graphics/Rect.h"
#include "framework/graphics/Transform.h"

#include <memory>
#include <string>
#include <vector>

namespace Vorn {

// Text justification.
inline constexpr int kJustifyLeft = -1;
inline constexpr int kJustifyCentre = 0;
inline constexpr int kJustifyRight = 1;

class GraphicsState {
public:
    // Every field, the image and font as pointers.
    void CopyStateFrom(const GraphicsState& other) { *this = other; }

    Image* mDestImage = &TheEmptyImage();
    float mTransX = 0.0f;
    float mTransY = 0.0f;
    // Applied only by DrawImage at a position, about the origin.
    float mScaleX = 1.0f;
    float mScaleY = 1.0f;
    float mScaleOrigX = 0.0f;
    float mScaleOrigY = 0.0f;
    // In destination pixels: the translation was applied when it was narrowed.
    Rect mClipRect;
    Color mColor;
    Font* mFont = nullptr;
    int mDrawMode = kDrawModeNormal;
    bool mColorizeImages = false;
    bool mFastStretch = false;
    bool mWriteColoredString = true;
    bool mLinearBlend = false;
    // The destination draws through the display's 3D path, which takes every
    // transformed image as a matrix blit.
    bool mIs3D = false;
};

class Graphics : public GraphicsState {
public:
    // Without a destination it draws on the process-wide empty image.
    explicit Graphics(Image* destination = nullptr);
    // The state only: the copy starts with an empty stack.
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics&) = delete;
    virtual ~Graphics();

    // A heap copy, null when memory runs out.
    std::unique_ptr<Graphics> Create() const;

    void PushState();
    // A pop on an empty stack does nothing.
    void PopState();

    void SetFont(Font* font) { mFont = font; }
    Font* GetFont() const { return mFont; }
    void SetColor(const Color& color) { mColor = color; }
    Color& GetColor() { return mColor; }
    void SetDrawMode(int mode) { mDrawMode = mode; }
    int GetDrawMode() const { return mDrawMode; }
    // While set, images are drawn multiplied by the current colour.
    void SetColorize(bool colorize) { mColorizeImages = colorize; }
    bool GetColorize() const { return mColorizeImages; }
    void SetQuickStretch(bool fast) { mFastStretch = fast; }
    void SetSmoothBlend(bool linear) { mLinearBlend = linear; }
    // The widgets' text operations force colour codes on for their call.
    void SetWriteColoredString(bool write) { mWriteColoredString = write; }
    bool GetWriteColoredString() const { return mWriteColoredString; }

    void Translate(int x, int y);
    // Narrows the clip rectangle to (x, y, width, height) translated.
    void ClipRect(int x, int y, int width, int height);

    // Shapes in the current colour and draw mode; nothing when its alpha is 0.
    void FillRect(int x, int y, int width, int height);
    // The outline covers width + 1 by height + 1 pixels.
    void DrawRect(int x, int y, int width, int height);
    void DrawLine(int x0, int y0, int x1, int y1);

    // x is the left edge and y the baseline; nothing without a font.
    void DrawString(const std::string& text, int x, int y);

    // Every image form draws nothing unless its source rectangle lies inside
    // the image with a positive size. Images are multiplied by the current
    // colour while colorizing.
    void DrawImage(Image* image, int x, int y);
    // The only form that applies the scale.
    void DrawImage(Image* image, int x, int y, const Rect& source);
    // Stretched into the translated destination rectangle; the scale is not applied.
    void DrawImage(Image* image, const Rect& dest, const Rect& source);
    // Mirrored left to right: clipping on the right removes source columns on
    // the left.
    void DrawImageMirrored(Image* image, int x, int y, const Rect& source);
    void DrawImageMirrored(Image* image, const Rect& dest, const Rect& source, bool mirror);
    // The float forms draw nothing when a position, centre, angle or matrix
    // entry is not finite.
    void DrawImageAtFloat(Image* image, float x, float y, const Rect& source);
    // The centre is relative to the source rectangle; a null source is the whole image.
    void DrawImageRotatedAtFloat(Image* image, float x, float y, float centerX, float centerY, const Rect* source,
        double angle);
    void DrawImageByMatrix(Image* image, const Matrix3x3& matrix, const Rect& source, float x, float y);
    // The transform is taken about the source's centre, which lands on (x, y).
    void DrawImageTransform(Image* image, const Transform& transform, float x, float y);
    void DrawImageTransform(Image* image, const Transform& transform, const Rect& source, float x, float y);
    // Picks the cheapest image operation the transform allows.
    void DrawImageTransformAtFloat(Image* image, const Transform& transform, const Rect& source, float x, float y);
    // A resizable box: the corners once, the edges and the centre tiled.
    void DrawImageAsBox(const Rect& dest, Image* image);
    void DrawImageAsBox(const Rect& dest, Image* image, const Rect& source);

    // Draws (or only measures) text[offset, offset + length) with inline
    // colour codes ("^RRGGBB^", "^oldclr^", "^^" for a caret); a negative
    // length means to the end. An old colour of -1 is the current colour.
    // Returns the width in pixels; the colour set by a code stays.
    int DrawTextWithCodes(const std::string& text, int x, int y, int width, int justification, bool draw,
        int offset, int length, int oldColor);
    // -1 when nothing of the text is left from the offset.
    int DrawWrappedTextPart(const std::string& text, int x, int y, int width, int justification, int oldColor,
        int offset, int length);
    // Word-wrapped into the rectangle's width (its height is not used); a line
    // spacing of -1 is the font's. Returns the height used.
    int DrawWrappedText(const std::string& text, const Rect& dest, int lineSpacing, int justification);
    int MeasureWrappedHeight(const std::string& text, int width, int lineSpacing);

private:
    // The colour handed to image operations: white means no colorizing.
    const Color& ImageColor() const { return mColorizeImages ? mColor : Color::White; }
    // Position translated and truncated toward zero; false when it does not
    // fit an int.
    bool TranslatePoint(int x, int y, int& outX, int& outY) const;
    int WrappedPart(const std::string& text, int x, int y, int width, int justification, int oldColor, int offset,
        int length, bool draw);
    int WrapText(const std::string& text, const Rect& dest, int lineSpacing, int justification, bool draw);
    // False when nothing of the line is left.
    bool ClipLine(double& x0, double& y0, double& x1, double& y1) const;

    std::vector<GraphicsState> mStateStack;
};

} // namespace Vorn
