#include "framework/widgets/DialogButton.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"

namespace Vorn {

DialogButton::DialogButton(int id, ButtonListener* listener) : ButtonWidget(id, listener)
{
    mDoFinger = true;
    mColors = {Color(255, 255, 255), Color(255, 255, 255), Color(0, 0, 0), Color(255, 255, 255),
        Color(132, 132, 132), Color(212, 212, 212)};
}

void DialogButton::Draw(Graphics* g)
{
    if (mBtnNoDraw)
        return;
    if (!mComponentImage) {
        ButtonWidget::Draw(g);
        return;
    }
    if (!mFont && !mLabel.empty())
        mFont = std::make_unique<SysFont>("Arial Unicode MS", 12, false, false, false);

    Graphics button(*g);
    const bool pressed = IsButtonDown();
    const Rect box(0, 0, mWidth, mHeight);
    if (mNormalRect.mWidth == 0) {
        if (pressed)
            button.Translate(mTranslateX, mTranslateY);
        button.DrawImageAsBox(box, mComponentImage);
    } else {
        if (mDisabled && mDisabledRect.mWidth > 0 && mDisabledRect.mHeight > 0) {
            button.DrawImageAsBox(box, mComponentImage, mDisabledRect);
        } else if (pressed) {
            button.DrawImageAsBox(box, mComponentImage, mDownRect);
        } else if (mOverAlpha > 0.0) {
            if (mOverAlpha < 1.0)
                button.DrawImageAsBox(box, mComponentImage, mNormalRect);
            button.SetColorize(true);
            button.SetColor(Color(255, 255, 255, static_cast<int>(mOverAlpha * 255)));
            button.DrawImageAsBox(box, mComponentImage, mOverRect);
            button.SetColorize(false);
        } else {
            button.DrawImageAsBox(box, mComponentImage, mIsOver ? mOverRect : mNormalRect);
        }
        if (pressed)
            button.Translate(mTranslateX, mTranslateY);
    }

    if (!mFont)
        return;
    button.SetFont(mFont.get());
    button.SetColor(GetColor(mIsOver ? kColorLabelHilite : kColorLabel));
    const int ascent = mFont->GetAscent();
    const int x = (mWidth - mFont->StringWidth(mLabel)) / 2 + mTextOffsetX;
    const int y = (mHeight + ascent - ascent / 6 - mFont->GetAscentPadding() - 1) / 2 + mTextOffsetY;
    button.DrawString(mLabel, x, y);
}

} // namespace Vorn
