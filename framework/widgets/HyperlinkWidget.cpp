#include "framework/widgets/HyperlinkWidget.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"

namespace Vorn {

HyperlinkWidget::HyperlinkWidget(int id, ButtonListener* listener) : ButtonWidget(id, listener)
{
    mDoFinger = true;
}

void HyperlinkWidget::Draw(Graphics* g)
{
    if (!mFont)
        mFont = std::make_unique<SysFont>("Arial Unicode MS", 10, false, false, false);
    const int width = mFont->StringWidth(mLabel);
    const int x = (mWidth - width) / 2;
    const int y = (mFont->GetAscent() + mHeight) / 2 - 1;
    g->SetFont(mFont.get());
    g->SetColor(mIsOver ? mOverColor : mColor);
    g->DrawString(mLabel, x, y);
    for (int i = 0; i < mUnderlineSize; ++i)
        g->FillRect(x, y + mUnderlineOffset + i, width, 1);
}

void HyperlinkWidget::MouseEnter()
{
    ButtonWidget::MouseEnter();
    MarkDirtyWhole();
}

void HyperlinkWidget::MouseLeave()
{
    ButtonWidget::MouseLeave();
    MarkDirtyWhole();
}

} // namespace Vorn
