#include "framework/widgets/ButtonWidget.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/WidgetManager.h"

namespace Vorn {

namespace {

// Sums of per-update steps miss their end by rounding (ten steps of 0.1 give
// 0.9999999999999999, alpha 254): a value this close to an end is the end.
constexpr double kFadeSnap = 1e-9;

} // namespace

ButtonWidget::ButtonWidget(int id, ButtonListener* listener) : mId(id), mButtonListener(listener)
{
    mHasAlpha = true;
    mColors = {Color(0, 0, 0), Color(0, 0, 0), Color(0, 0, 0), Color(255, 255, 255), Color(132, 132, 132),
        Color(212, 212, 212)};
}

ButtonWidget::~ButtonWidget() = default;

bool ButtonWidget::HaveButtonImage(const Image* image, const Rect& sourceRect) const
{
    return sourceRect.mWidth != 0 ? mButtonImage != nullptr : image != nullptr;
}

void ButtonWidget::DrawButtonImage(Graphics* g, Image* image, const Rect& sourceRect, int x, int y)
{
    if (sourceRect.mWidth == 0)
        g->DrawImage(image, x, y);
    else if (mButtonImage)
        g->DrawImage(mButtonImage, x, y, sourceRect);
}

// Duplicated first: the font given may be this button's own.
void ButtonWidget::SetFont(Font* font)
{
    mFont = font ? font->Duplicate() : nullptr;
}

bool ButtonWidget::IsButtonDown()
{
    return mIsDown && mIsOver && !mDisabled;
}

void ButtonWidget::Update()
{
    Widget::Update();
    if (mIsDown && mIsOver)
        mButtonListener->ButtonDownTick(mId);
    if (!mIsDown && !mIsOver && mOverAlpha > 0.0) {
        mOverAlpha = mOverAlphaSpeed > 0.0 ? mOverAlpha - mOverAlphaSpeed : 0.0;
        if (mOverAlpha < kFadeSnap)
            mOverAlpha = 0.0;
        MarkDirty();
    }
    if (mIsOver && mOverAlphaFadeInSpeed > 0.0 && mOverAlpha < 1.0) {
        mOverAlpha += mOverAlphaFadeInSpeed;
        if (mOverAlpha > 1.0 - kFadeSnap)
            mOverAlpha = 1.0;
        MarkDirty();
    }
}

void ButtonWidget::Draw(Graphics* g)
{
    if (mBtnNoDraw)
        return;
    if (!mFont && !mLabel.empty())
        mFont = std::make_unique<SysFont>("Arial Unicode MS", 10, false, false, false);
    g->SetFont(mFont.get());
    const bool pressed = IsButtonDown() != mInverted;
    if (!mButtonImage && !mDownImage)
        DrawFrame(g, pressed);
    else
        DrawImages(g, pressed);
}

void ButtonWidget::DrawFrame(Graphics* g, bool pressed)
{
    if (!mFrameNoDraw) {
        g->SetColor(GetColor(kColorButton));
        g->FillRect(0, 0, mWidth, mHeight);
        // Light from the top left: the pressed look swaps the edges.
        g->SetColor(GetColor(pressed ? kColorDarkOutline : kColorLightOutline));
        g->FillRect(0, 0, mWidth - 1, 1);
        g->FillRect(0, 0, 1, mHeight - 1);
        g->SetColor(GetColor(pressed ? kColorLightOutline : kColorDarkOutline));
        g->FillRect(0, mHeight - 1, mWidth, 1);
        g->FillRect(mWidth - 1, 0, 1, mHeight);
        g->SetColor(GetColor(kColorMediumOutline));
        if (pressed) {
            g->FillRect(1, 1, mWidth - 3, 1);
            g->FillRect(1, 1, 1, mHeight - 3);
        } else {
            g->FillRect(1, mHeight - 2, mWidth - 2, 1);
            g->FillRect(mWidth - 2, 1, 1, mHeight - 2);
        }
    }
    g->SetColor(GetColor(mIsOver ? kColorLabelHilite : kColorLabel));
    DrawLabel(g, pressed ? 1 : 0);
}

void ButtonWidget::DrawImages(Graphics* g, bool pressed)
{
    if (pressed) {
        if (HaveButtonImage(mDownImage, mDownRect))
            DrawButtonImage(g, mDownImage, mDownRect, 0, 0);
        else if (HaveButtonImage(mOverImage, mOverRect))
            DrawButtonImage(g, mOverImage, mOverRect, 1, 1);
        else
            DrawButtonImage(g, mButtonImage, mNormalRect, 1, 1);
        g->SetColor(GetColor(kColorLabelHilite));
        DrawLabel(g, 1);
        return;
    }
    const bool haveOver = HaveButtonImage(mOverImage, mOverRect);
    const bool haveNormal = HaveButtonImage(mButtonImage, mNormalRect);
    if (mDisabled && HaveButtonImage(mDisabledImage, mDisabledRect)) {
        DrawButtonImage(g, mDisabledImage, mDisabledRect, 0, 0);
    } else if (mOverAlpha > 0.0 && haveOver) {
        if (haveNormal && mOverAlpha < 1.0)
            DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
        g->SetColorize(true);
        g->SetColor(Color(255, 255, 255, static_cast<int>(mOverAlpha * 255)));
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
        g->SetColorize(false);
    } else if ((mIsOver || mIsDown) && haveOver) {
        DrawButtonImage(g, mOverImage, mOverRect, 0, 0);
    } else if (haveNormal) {
        DrawButtonImage(g, mButtonImage, mNormalRect, 0, 0);
    }
    g->SetColor(GetColor(mIsOver ? kColorLabelHilite : kColorLabel));
    DrawLabel(g, 0);
}

// Baseline a little above the middle: the ascent less its top sixth,
// divisions truncating. Without a font the label sits at the corner.
void ButtonWidget::DrawLabel(Graphics* g, int shift)
{
    int x = 0;
    int y = 0;
    if (mFont) {
        const int width = mFont->StringWidth(mLabel);
        if (mLabelJustify == kJustifyCentre)
            x = (mWidth - width) / 2;
        else if (mLabelJustify == kJustifyRight)
            x = mWidth - width;
        const int ascent = mFont->GetAscent();
        y = (mHeight + ascent - ascent / 6 - 1) / 2;
    }
    g->DrawString(mLabel, x + shift, y + shift);
}

void ButtonWidget::SetDisabled(bool disabled)
{
    Widget::SetDisabled(disabled);
    if (HaveButtonImage(mDisabledImage, mDisabledRect))
        MarkDirty();
}

void ButtonWidget::MarkDirtyIfHoverShows()
{
    if (mIsDown || HaveButtonImage(mOverImage, mOverRect) || GetColor(kColorLabel) != GetColor(kColorLabelHilite))
        MarkDirty();
}

void ButtonWidget::MouseEnter()
{
    if (mOverAlphaFadeInSpeed == 0.0 && mOverAlpha > 0.0)
        mOverAlpha = 0.0;
    MarkDirtyIfHoverShows();
    mButtonListener->ButtonMouseEnter(mId);
}

// With a fade-out speed, leaving starts the over picture's fade from full
// strength.
void ButtonWidget::MouseLeave()
{
    if (mOverAlphaSpeed == 0.0 && mOverAlpha > 0.0)
        mOverAlpha = 0.0;
    else if (mOverAlphaSpeed > 0.0 && mOverAlpha == 0.0)
        mOverAlpha = 1.0;
    MarkDirtyIfHoverShows();
    mButtonListener->ButtonMouseLeave(mId);
}

void ButtonWidget::MouseMove(int x, int y)
{
    mButtonListener->ButtonMouseMove(mId, x, y);
}

void ButtonWidget::MouseDownButton(int, int, int, int clickCount)
{
    mButtonListener->ButtonPressClicks(mId, clickCount);
    MarkDirty();
}

// A release after dragging off the button is no click.
void ButtonWidget::MouseUpButton(int, int, int, int)
{
    if (mIsOver && mWidgetManager && mWidgetManager->mHasFocus)
        mButtonListener->ButtonDepress(mId);
    MarkDirty();
}

} // namespace Vorn
