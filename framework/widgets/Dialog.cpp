#include "framework/widgets/Dialog.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/DialogButton.h"
#include "framework/widgets/DialogListener.h"
#include "framework/widgets/WidgetManager.h"

#include <algorithm>

namespace Vorn {

namespace {

// Between the blocks of text and above the buttons.
constexpr int kBlockGap = 8;
// Inside the content insets the lines keep 2 pixels on each side.
constexpr int kLinesInset = 2;
// How far a dragged dialog may leave the screen, and how far inside its
// edges it stays held.
constexpr int kDragMargin = 8;

std::unique_ptr<DialogButton> MakeButton(int id, const std::string& label, ButtonListener* listener)
{
    auto button = std::make_unique<DialogButton>(id, listener);
    button->mLabel = label;
    return button;
}

// Clamped to the upper bound first: on a range too small to hold anything
// the lower bound wins.
int LimitGrab(int value, int upper)
{
    return std::max(kDragMargin, std::min(value, upper));
}

} // namespace

std::string gDialogYesString = "YES";
std::string gDialogNoString = "NO";
std::string gDialogOkString = "OK";
std::string gDialogCancelString = "CANCEL";

Dialog::Dialog(Image* componentImage, int id, bool isModal, const std::string& header, const std::string& lines,
               const std::string& footer, int buttonMode)
    : mDialogListener(gApplication),
      mComponentImage(componentImage),
      mDialogHeader(header),
      mDialogFooter(footer),
      mDialogLines(lines),
      mButtonMode(buttonMode),
      mId(id),
      mIsModal(isModal)
{
    if (buttonMode == kButtonsYesNo) {
        mYesButton = MakeButton(kIdYes, gDialogYesString, this);
        mNoButton = MakeButton(kIdNo, gDialogNoString, this);
    } else if (buttonMode == kButtonsOkCancel) {
        mYesButton = MakeButton(kIdYes, gDialogOkString, this);
        mNoButton = MakeButton(kIdNo, gDialogCancelString, this);
    } else if (buttonMode == kButtonsFooter) {
        mYesButton = MakeButton(kIdYes, footer, this);
    }
    mHasAlpha = true;
    mHasTransparencies = true;
    mPriority = 1;
    const Color colors[] = {Color(255, 255, 255), Color(255, 255, 0), Color(255, 255, 255), Color(0, 0, 0),
        Color(0, 0, 0), Color(80, 80, 80), Color(255, 255, 255)};
    for (int i = 0; i < 7; ++i)
        Dialog::SetColor(i, colors[i]);
}

// A wait in progress learns that the dialog went, and how it was answered.
Dialog::~Dialog()
{
    for (Waiter* waiter = mWaiter; waiter; waiter = waiter->mOuter) {
        waiter->mGone = true;
        waiter->mResult = mButtonReleased ? mResult : kNoResult;
    }
}

void Dialog::SetButtonFont(Font* font)
{
    if (mYesButton)
        mYesButton->SetFont(font);
    if (mNoButton)
        mNoButton->SetFont(font);
}

void Dialog::SetHeaderFont(Font* font)
{
    mHeaderFont = font ? font->Duplicate() : nullptr;
}

void Dialog::SetLinesFont(Font* font)
{
    mLinesFont = font ? font->Duplicate() : nullptr;
}

void Dialog::EnsureFonts()
{
    if (!mHeaderFont)
        mHeaderFont = std::make_unique<SysFont>("Arial Unicode MS", 14, false, false, false);
    if (!mLinesFont)
        mLinesFont = std::make_unique<SysFont>("Arial Unicode MS", 12, false, false, false);
}

bool Dialog::IsModal()
{
    return mIsModal;
}

void Dialog::SetColor(int index, const Color& color)
{
    Widget::SetColor(index, color);
    for (DialogButton* button : {mYesButton.get(), mNoButton.get()}) {
        if (!button)
            continue;
        if (index == kColorButtonText)
            button->SetColor(ButtonWidget::kColorLabel, color);
        else if (index == kColorButtonTextHilite)
            button->SetColor(ButtonWidget::kColorLabelHilite, color);
    }
}

// The insets on both sides of the text and buttons, panel and content
// together.
int Dialog::ButtonsLeft() const
{
    return mBackgroundInsets.mLeft + mContentInsets.mLeft;
}

int Dialog::ButtonsWidth() const
{
    return mWidth - mContentInsets.mLeft - mContentInsets.mRight - mBackgroundInsets.mLeft -
           mBackgroundInsets.mRight;
}

int Dialog::GetPreferredHeight(int width)
{
    EnsureFonts();
    int height = mBackgroundInsets.mTop + mBackgroundInsets.mBottom + mContentInsets.mTop + mContentInsets.mBottom;
    bool anything = false;
    if (!mDialogHeader.empty()) {
        height += mHeaderFont->GetHeight() - mHeaderFont->GetAscentPadding();
        anything = true;
    }
    if (!mDialogLines.empty()) {
        if (anything)
            height += mSpaceAfterHeader;
        const int linesWidth = width - mContentInsets.mLeft - mContentInsets.mRight - mBackgroundInsets.mLeft -
                               mBackgroundInsets.mRight - 2 * kLinesInset;
        height += MeasureWrappedHeight(mLinesFont.get(), mDialogLines, linesWidth,
            mLinesFont->GetLineSpacing() + mLineSpacingOffset);
        anything = true;
    }
    if (!mDialogFooter.empty() && mButtonMode != kButtonsFooter) {
        if (anything)
            height += kBlockGap;
        height += mHeaderFont->GetLineSpacing();
        anything = true;
    }
    if (mYesButton) {
        if (anything)
            height += kBlockGap;
        height += kBlockGap + mButtonHeight;
    }
    return height;
}

void Dialog::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    const int buttonsY = y + height - mContentInsets.mBottom - mBackgroundInsets.mBottom - mButtonHeight;
    if (mYesButton && mNoButton) {
        const int buttonWidth = (ButtonsWidth() - 2 * mButtonSidePadding - mButtonHorzSpacing) / 2;
        const int firstX = x + ButtonsLeft() + mButtonSidePadding;
        mYesButton->Resize(firstX, buttonsY, buttonWidth, mButtonHeight);
        mNoButton->Resize(firstX + buttonWidth + mButtonHorzSpacing, buttonsY, buttonWidth, mButtonHeight);
    } else if (mYesButton) {
        mYesButton->Resize(x + ButtonsLeft(), buttonsY, ButtonsWidth(), mButtonHeight);
    }
}

void Dialog::Draw(Graphics* g)
{
    EnsureFonts();
    if (mComponentImage) {
        g->DrawImageAsBox(Rect(mBackgroundInsets.mLeft, mBackgroundInsets.mTop,
                              mWidth - mBackgroundInsets.mLeft - mBackgroundInsets.mRight,
                              mHeight - mBackgroundInsets.mTop - mBackgroundInsets.mBottom),
            mComponentImage);
    } else {
        g->SetColor(GetColor(kColorOutline));
        g->DrawRect(12, 12, mWidth - 25, mHeight - 25);
        g->SetColor(GetColor(kColorBkg));
        g->FillRect(13, 13, mWidth - 26, mHeight - 26);
        g->SetColor(Color(0, 0, 0, 128));
        g->FillRect(mWidth - 12, 24, 12, mHeight - 36);
        g->FillRect(24, mHeight - 12, mWidth - 24, 12);
    }

    int y = mContentInsets.mTop + mBackgroundInsets.mTop;
    if (!mDialogHeader.empty()) {
        const int top = y - mHeaderFont->GetAscentPadding();
        g->SetFont(mHeaderFont.get());
        g->SetColor(GetColor(kColorHeader));
        DrawTextCentered(g, mDialogHeader, top + mHeaderFont->GetAscent());
        y = top + mHeaderFont->GetHeight() + mSpaceAfterHeader;
    }

    // Absent lines take no room, as in the preferred height.
    if (!mDialogLines.empty()) {
        g->SetFont(mLinesFont.get());
        g->SetColor(GetColor(kColorLines));
        const Rect lines(ButtonsLeft() + kLinesInset, y, ButtonsWidth() - 2 * kLinesInset, 0);
        y += DrawWrappedTextIn(g, mDialogLines, lines, mLinesFont->GetLineSpacing() + mLineSpacingOffset,
            mTextAlign);
    }

    if (!mDialogFooter.empty() && mButtonMode != kButtonsFooter) {
        y += mHeaderFont->GetLineSpacing() + kBlockGap;
        g->SetFont(mHeaderFont.get());
        g->SetColor(GetColor(kColorFooter));
        DrawTextCentered(g, mDialogFooter, y);
    }
}

void Dialog::OnAttached(WidgetManager* manager)
{
    Widget::OnAttached(manager);
    if (mYesButton)
        manager->AddWidget(mYesButton.get());
    if (mNoButton)
        manager->AddWidget(mNoButton.get());
}

void Dialog::OnDetached(WidgetManager* manager)
{
    Widget::OnDetached(manager);
    if (mYesButton)
        manager->RemoveWidget(mYesButton.get());
    if (mNoButton)
        manager->RemoveWidget(mNoButton.get());
}

void Dialog::ZOrderChanged()
{
    if (!mWidgetManager)
        return;
    if (mYesButton)
        mWidgetManager->PutInFront(mYesButton.get(), this);
    if (mNoButton)
        mWidgetManager->PutInFront(mNoButton.get(), this);
}

void Dialog::SetCursor(int cursor)
{
    if (mWidgetManager && mWidgetManager->mApp)
        mWidgetManager->mApp->SetCursor(cursor);
}

// A double click starts no drag.
void Dialog::MouseDownButton(int x, int y, int, int clickCount)
{
    if (clickCount != 1)
        return;
    SetCursor(VornAppBase::kCursorDragging);
    mDragging = true;
    mDragMouseX = x;
    mDragMouseY = y;
}

void Dialog::MouseDrag(int x, int y)
{
    if (!mDragging || !mWidgetManager)
        return;
    const int managerWidth = mWidgetManager->mWidth;
    const int managerHeight = mWidgetManager->mHeight;
    int newX = mX - mDragMouseX + x;
    int newY = mY - mDragMouseY + y;
    if (newX < -kDragMargin)
        newX = -kDragMargin;
    else if (newX + mWidth > managerWidth + kDragMargin)
        newX = managerWidth - mWidth + kDragMargin;
    if (newY < -kDragMargin)
        newY = -kDragMargin;
    else if (newY + mHeight > managerHeight + kDragMargin)
        newY = managerHeight - mHeight + kDragMargin;
    mDragMouseX = LimitGrab(mX - newX + x, mWidth - kDragMargin - 1);
    mDragMouseY = LimitGrab(mY - newY + y, mHeight - kDragMargin - 1);
    Move(newX, newY);
}

void Dialog::MouseUpButton(int, int, int, int)
{
    if (!mDragging)
        return;
    SetCursor(VornAppBase::kCursorPointer);
    mDragging = false;
}

void Dialog::ButtonPress(int id)
{
    if (id == kIdYes || id == kIdNo)
        mDialogListener->DialogButtonPress(mId, id);
}

void Dialog::ButtonDepress(int id)
{
    if (id != kIdYes && id != kIdNo)
        return;
    mResult = id;
    mButtonReleased = true;
    mDialogListener->DialogButtonDepress(mId, id);
}

int Dialog::WaitForResult(bool autoKill)
{
    VornAppBase* app = gApplication;
    if (!app)
        return mButtonReleased ? mResult : kNoResult;
    Waiter waiter{mWaiter};
    mWaiter = &waiter;
    while (mWidgetManager && mResult == kNoResult) {
        const bool goesOn = app->StepLoopState(nullptr);
        if (waiter.mGone)
            return waiter.mResult;
        if (!goesOn)
            break;
    }
    mWaiter = waiter.mOuter;
    const int result = mButtonReleased ? mResult : kNoResult;
    if (autoKill && app->GetDialog(mId) == this)
        app->CloseDialog(mId);
    return result;
}

} // namespace Vorn
