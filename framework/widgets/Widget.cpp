#include "framework/widgets/Widget.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace Vorn {

namespace {

struct SplitClick {
    int button;
    int count;
};

// 3 is the middle button; a negative code the right button with -code
// clicks; anything else the left button with code clicks.
SplitClick Split(int clickCode)
{
    if (clickCode == 3)
        return {2, 1};
    if (clickCode < 0)
        return {1, -clickCode};
    return {0, clickCode};
}

// The graphics' colour-code switch, on for one text operation.
class ColouredText {
public:
    explicit ColouredText(Graphics* g) : mGraphics(g), mWas(g->GetWriteColoredString())
    {
        g->SetWriteColoredString(true);
    }
    ~ColouredText() { mGraphics->SetWriteColoredString(mWas); }
    ColouredText(const ColouredText&) = delete;
    ColouredText& operator=(const ColouredText&) = delete;

private:
    Graphics* mGraphics;
    bool mWas;
};

} // namespace

void Widget::ZOrderChanged() {}

void Widget::SetVisible(bool visible)
{
    if (mVisible == visible)
        return;
    mVisible = visible;
    if (visible) {
        // A flag left set while it was hidden would stop the marking before
        // it reaches the siblings now in front of it.
        mDirty = false;
        MarkDirty();
    } else {
        MarkDirtyWhole();
    }
    if (mWidgetManager)
        mWidgetManager->RefreshHover();
}

void Widget::SetColors(const int (*colors)[4], int count)
{
    mColors.clear();
    for (int i = 0; i < count; ++i)
        SetColor(i, Color(colors[i][0], colors[i][1], colors[i][2], colors[i][3]));
    MarkDirty();
}

void Widget::SetColors(const int (*colors)[3], int count)
{
    mColors.clear();
    for (int i = 0; i < count; ++i)
        SetColor(i, Color(colors[i]));
    MarkDirty();
}

void Widget::SetColor(int index, const Color& color)
{
    if (index < 0)
        return;
    const auto at = static_cast<size_t>(index);
    if (at >= mColors.size())
        mColors.resize(at + 1);
    mColors[at] = color;
    MarkDirty();
}

const Color& Widget::GetColor(int index, const Color& defaultColor) const
{
    if (index < 0 || static_cast<size_t>(index) >= mColors.size())
        return defaultColor;
    return mColors[static_cast<size_t>(index)];
}

const Color& Widget::GetColor(int index) const
{
    return GetColor(index, Color::Black);
}

void Widget::SetDisabled(bool disabled)
{
    if (mDisabled == disabled)
        return;
    mDisabled = disabled;
    if (disabled && mWidgetManager)
        mWidgetManager->ForgetWidget(this);
    MarkDirty();
    // The pointer may rest on it: hover it at once. The last position is in
    // draw-buffer coordinates, Contains takes the parent's.
    WidgetManager* manager = mWidgetManager;
    if (disabled || !manager)
        return;
    const Point origin = mParent ? mParent->GetAbsPos() : Point();
    if (Contains(manager->mLastMouseX - origin.mX, manager->mLastMouseY - origin.mY))
        manager->UpdateHover(manager->mLastMouseX, manager->mLastMouseY);
}

void Widget::ShowHandCursor(bool show)
{
    if (mWidgetManager && mWidgetManager->mApp)
        mWidgetManager->mApp->SetCursor(show ? VornAppBase::kCursorHand : VornAppBase::kCursorPointer);
}

void Widget::Resize(const Rect& rect)
{
    Resize(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
}

void Widget::Resize(int x, int y, int width, int height)
{
    if (mX == x && mY == y && mWidth == width && mHeight == height)
        return;
    MarkDirtyWhole();
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    // The old area's marking left the flag set, which would keep this one
    // from reaching the siblings in front of the new area.
    mDirty = false;
    MarkDirty();
    if (mWidgetManager)
        mWidgetManager->RefreshHover();
}

void Widget::Move(int x, int y)
{
    Resize(x, y, mWidth, mHeight);
}

bool Widget::WantsFocus()
{
    return mWantsFocus;
}

void Widget::DrawOverlay(Graphics* g, int)
{
    DrawOverlay(g);
}

void Widget::DrawOverlay(Graphics*) {}

void Widget::GotFocus()
{
    mHasFocus = true;
}

void Widget::LostFocus()
{
    mHasFocus = false;
}

void Widget::KeyChar(char) {}

void Widget::KeyDown(int keyCode)
{
    if (keyCode != Platform::VK_TAB || !mWidgetManager)
        return;
    Widget* neighbour = mWidgetManager->mKeyDown[Platform::VK_SHIFT] ? mTabPrev : mTabNext;
    if (neighbour)
        mWidgetManager->SetFocus(neighbour);
}

void Widget::KeyUp(int) {}
void Widget::MouseEnter() {}
void Widget::MouseLeave() {}
void Widget::MouseMove(int, int) {}
void Widget::MouseDownButton(int, int, int, int) {}

void Widget::MouseDown(int x, int y, int clickCode)
{
    const SplitClick click = Split(clickCode);
    MouseDownButton(x, y, click.button, click.count);
}

void Widget::MouseUpButton(int, int, int, int) {}

void Widget::MouseUp(int x, int y, int clickCode)
{
    MouseUpAt(x, y);
    const SplitClick click = Split(clickCode);
    MouseUpButton(x, y, click.button, click.count);
}

void Widget::MouseUpAt(int, int) {}
void Widget::MouseDrag(int, int) {}
void Widget::MouseWheel(int) {}

bool Widget::IsPointVisible(int, int)
{
    return true;
}

Rect Widget::DrawTextCenteredShadowed(Graphics* g, Font* font, const std::string& text, int y,
    const Color& textColor, const Color& shadowColor, int offsetX, int offsetY)
{
    g->SetFont(font);
    if (!font)
        return Rect();
    const int width = font->StringWidth(text);
    const int x = (mWidth - width) / 2;
    g->SetColor(shadowColor);
    g->DrawString(text, x + offsetX, y + offsetY);
    g->SetColor(textColor);
    g->DrawString(text, x, y);
    const int top = y - font->GetAscent();
    return Rect(x + std::min(offsetX, 0), top + std::min(offsetY, 0), width + std::abs(offsetX),
        font->GetHeight() + std::abs(offsetY));
}

Rect Widget::DrawTextCentered(Graphics* g, const std::string& text, int y)
{
    Font* font = g->GetFont();
    if (!font)
        return Rect();
    const int width = font->StringWidth(text);
    const int x = (mWidth - width) / 2;
    g->DrawString(text, x, y);
    return Rect(x, y - font->GetAscent(), width, font->GetHeight());
}

int Widget::DrawTextJustified(Graphics* g, const std::string& text, int x, int y, int width, int justification)
{
    const ColouredText coloured(g);
    return g->DrawTextWithCodes(text, x, y, width, justification, true, 0, -1, -1);
}

int Widget::DrawWrappedTextIn(Graphics* g, const std::string& text, const Rect& rect, int lineSpacing,
    int justification)
{
    const ColouredText coloured(g);
    return g->DrawWrappedText(text, rect, lineSpacing, justification);
}

int Widget::MeasureWrappedHeight(Font* font, const std::string& text, int width, int lineSpacing)
{
    Graphics g;
    g.SetFont(font);
    return g.MeasureWrappedHeight(text, width, lineSpacing);
}

int Widget::CountDigits(int number)
{
    int digits = 1;
    for (; number >= 10; number /= 10)
        ++digits;
    return digits;
}

void Widget::DrawDigitsFromStrip(Graphics* g, int number, int x, int y, Image* strip, int spacing)
{
    if (number < 0 || !strip)
        return;
    const int cellWidth = strip->GetWidth() / 10;
    int power = 1;
    for (int i = 1; i < CountDigits(number); ++i)
        power *= 10;
    for (; power > 0; power /= 10) {
        const int digit = number / power % 10;
        Graphics cell(*g);
        cell.ClipRect(x, y, cellWidth, strip->GetHeight());
        cell.DrawImage(strip, x - digit * cellWidth, y);
        x += cellWidth + spacing;
    }
}

bool Widget::Contains(int x, int y) const
{
    return x >= mX && y >= mY && int64_t{x} < int64_t{mX} + mWidth && int64_t{y} < int64_t{mY} + mHeight;
}

Rect Widget::GetInsetRect() const
{
    return Rect(mX + mMouseInsets.mLeft, mY + mMouseInsets.mTop, mWidth - mMouseInsets.mLeft - mMouseInsets.mRight,
        mHeight - mMouseInsets.mTop - mMouseInsets.mBottom);
}

} // namespace Vorn
