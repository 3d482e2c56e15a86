#pragma once
// The push button: drawn from images (a button image with optional over,
// down and disabled images, or source rectangles cut from the one button
// image) or, without images, as a bevelled frame; with a text label. It
// reports presses, clicks, hover and held ticks to its listener under its id.

#include "framework/graphics/Rect.h"
#include "framework/widgets/Widget.h"

#include <memory>
#include <string>

namespace Vorn {

class ButtonListener;
class Font;
class Graphics;
class Image;

class ButtonWidget : public Widget {
public:
    // Colour table entries.
    static constexpr int kColorLabel = 0;
    static constexpr int kColorLabelHilite = 1;
    static constexpr int kColorDarkOutline = 2;
    static constexpr int kColorLightOutline = 3;
    static constexpr int kColorMediumOutline = 4;
    static constexpr int kColorButton = 5;

    // Label justification; any other value is left-aligned.
    static constexpr int kJustifyCentre = 0;
    static constexpr int kJustifyRight = 1;

    // The listener is required: every mouse event and every update while
    // pressed reaches it.
    ButtonWidget(int id, ButtonListener* listener);
    ~ButtonWidget() override;

    // Draws the rectangle of the button image when the source rectangle has
    // a width, else the whole image given.
    virtual void DrawButtonImage(Graphics* g, Image* image, const Rect& sourceRect, int x, int y);
    // Keeps a duplicate of the font (none for null).
    virtual void SetFont(Font* font);
    // Down, hovered and enabled.
    virtual bool IsButtonDown();

    void Update() override;
    void Draw(Graphics* g) override;
    void SetDisabled(bool disabled) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;

    // A state has a picture when its source rectangle has a width and there
    // is a button image to cut it from, or, without a rectangle, when its own
    // image is set.
    bool HaveButtonImage(const Image* image, const Rect& sourceRect) const;

    int mId;
    std::string mLabel;
    int mLabelJustify = kJustifyCentre;
    std::unique_ptr<Font> mFont;
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
    Rect mNormalRect;
    Rect mOverRect;
    Rect mDownRect;
    Rect mDisabledRect;
    // The pressed look shows when not pressed, and the other way round.
    bool mInverted = false;
    // An invisible hot spot.
    bool mBtnNoDraw = false;
    // Without images, only the label is drawn.
    bool mFrameNoDraw = false;
    ButtonListener* mButtonListener;
    // 0 to 1: how strongly the over picture shows; the speeds are amounts per
    // update.
    double mOverAlpha = 0.0;
    double mOverAlphaSpeed = 0.0;
    double mOverAlphaFadeInSpeed = 0.0;

private:
    void DrawFrame(Graphics* g, bool pressed);
    void DrawImages(Graphics* g, bool pressed);
    // In the graphics' colour, `shift` pixels right and down.
    void DrawLabel(Graphics* g, int shift);
    // MarkDirty where hovering changes the look.
    void MarkDirtyIfHoverShows();
};

} // namespace Vorn
