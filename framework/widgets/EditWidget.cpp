#include "framework/widgets/EditWidget.h"

#include "framework/app/VornAppBase.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/EditListener.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Window.h"

#include <algorithm>
#include <cstdlib>

namespace Vorn {

namespace {

// Ctrl+C, Ctrl+V, Ctrl+X and Ctrl+Z as typed characters.
constexpr char kCharCopy = 3;
constexpr char kCharPaste = 22;
constexpr char kCharCut = 24;
constexpr char kCharUndo = 26;

constexpr int kBigScroll = 10;

bool Typable(char c)
{
    return static_cast<signed char>(c) >= 32;
}

} // namespace

EditWidget::EditWidget(int id, EditListener* listener) : mId(id), mEditListener(listener)
{
    mWantsFocus = true;
    mColors = {Color(255, 255, 0), Color(255, 255, 0), Color(255, 255, 0), Color(255, 255, 0), Color(0, 0, 0)};
}

EditWidget::~EditWidget() = default;

Font* EditWidget::GetFont()
{
    if (!mFont)
        mFont = std::make_unique<SysFont>("Arial Unicode MS", 10, false, false, false);
    return mFont.get();
}

void EditWidget::SetFont(Font* font, Font* widthCheckFont)
{
    mFont = font ? font->Duplicate() : nullptr;
    ClearWidthCheckFonts();
    if (widthCheckFont)
        AddWidthCheckFont(widthCheckFont);
}

void EditWidget::AddWidthCheckFont(Font* font)
{
    mWidthCheckList.emplace_back(font->Duplicate(), -1);
}

void EditWidget::ClearWidthCheckFonts()
{
    mWidthCheckList.clear();
}

void EditWidget::SetText(const std::string& text, bool leftPositionToZero)
{
    mString = text;
    mCursorPos = Length();
    mHilitePos = 0;
    mLastModifyIdx = -1;
    mLastEdit = Edit::None;
    if (leftPositionToZero)
        mLeftPos = 0;
    else
        ScrollToCaret(true);
    MarkDirty();
}

const std::string& EditWidget::GetDisplayString()
{
    if (mPasswordChar == 0)
        return mString;
    mPasswordDisplayString.assign(mString.size(), mPasswordChar);
    return mPasswordDisplayString;
}

bool EditWidget::IsPartOfWord(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

int EditWidget::OffsetOf(int position)
{
    const std::string& display = GetDisplayString();
    const auto upTo = [&](int n) {
        return GetFont()->StringWidth(display.substr(0, static_cast<size_t>(std::clamp(n, 0, Length()))));
    };
    return upTo(position) - upTo(mLeftPos);
}

void EditWidget::EnforceMaxPixels()
{
    if (mMaxPixels <= 0 && mWidthCheckList.empty())
        return;
    for (const auto& [font, ownLimit] : mWidthCheckList) {
        const int limit = ownLimit < 1 ? mMaxPixels : ownLimit;
        if (limit < 1)
            continue;
        while (!mString.empty() && font->StringWidth(mString) > limit)
            mString.pop_back();
    }
}

void EditWidget::SelectWordAtCaret()
{
    const std::string& display = GetDisplayString();
    const int length = static_cast<int>(display.size());
    if (mCursorPos < 0 || mCursorPos >= length)
        return;
    mHilitePos = mCursorPos;
    while (mHilitePos > 0 && IsPartOfWord(display[static_cast<size_t>(mHilitePos - 1)]))
        --mHilitePos;
    while (mCursorPos < length - 1 && IsPartOfWord(display[static_cast<size_t>(mCursorPos + 1)]))
        ++mCursorPos;
    ++mCursorPos;
}

int EditWidget::GetCharIndexAt(int x, int)
{
    const std::string& display = GetDisplayString();
    Font* font = GetFont();
    int index = 0;
    for (int i = mLeftPos; i < static_cast<int>(display.size()); ++i) {
        const auto left = static_cast<size_t>(mLeftPos);
        const int before = font->StringWidth(display.substr(left, static_cast<size_t>(i - mLeftPos)));
        const int after = font->StringWidth(display.substr(left, static_cast<size_t>(i - mLeftPos + 1)));
        if (x >= (before + after) / 2 + kTextInset + 1)
            index = i + 1;
    }
    return index;
}

// The first visible character never passes the caret, nor the last
// character: a caret that cannot be brought into view ends the scrolling.
void EditWidget::ScrollToCaret(bool bigJump)
{
    const int step = bigJump ? kBigScroll : 1;
    while (mLeftPos > 0 && mCursorPos < mLeftPos) {
        mLeftPos = std::max(0, mLeftPos - step);
        MarkDirty();
    }
    const int room = mWidth - 2 * kTextInset;
    while (room > 0 && OffsetOf(mCursorPos) >= room) {
        const int next = std::min({mLeftPos + step, Length() - 1, mCursorPos});
        if (next <= mLeftPos)
            break;
        mLeftPos = next;
        MarkDirty();
    }
}

bool EditWidget::CanType(char c)
{
    return Typable(c) && GetFont()->StringWidth(std::string(1, c)) != 0 && mEditListener->AllowChar(mId, c);
}

void EditWidget::ReplaceSelection(const std::string& text)
{
    int start = mCursorPos;
    int end = mCursorPos;
    if (HasSelection()) {
        start = std::min(mCursorPos, mHilitePos);
        end = std::max(mCursorPos, mHilitePos);
    }
    mString.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), text);
    mCursorPos = start + static_cast<int>(text.size());
}

void EditWidget::CopySelection()
{
    const int start = std::min(mCursorPos, mHilitePos);
    const int end = std::max(mCursorPos, mHilitePos);
    if (mWidgetManager && mWidgetManager->mApp)
        mWidgetManager->mApp->CopyToClipboard(
            GetDisplayString().substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

// A key or character that asks for nothing changes nothing, the selection
// included: the key-down of a typing key comes before its character, which
// must still find the selection to replace.
void EditWidget::ProcessKey(int keyCode, char c)
{
    if (keyCode == Platform::VK_SHIFT || keyCode == Platform::VK_CONTROL)
        return;
    // Positions left out of range by a text set from outside are brought
    // back first, so that no edit reaches past the text.
    ClampPositions();
    const Action action = ActionFor(keyCode, c);
    if (action == Action::None)
        return;
    const bool shift = KeyHeld(Platform::VK_SHIFT);
    const std::string oldString = mString;
    const int oldCursor = mCursorPos;
    const int oldHilite = mHilitePos;
    if (shift && !HasSelection())
        mHilitePos = mCursorPos;

    const bool record = Perform(action, c);

    if (mMaxChars >= 0 && Length() > mMaxChars)
        mString.resize(static_cast<size_t>(mMaxChars));
    EnforceMaxPixels();
    ClampPositions();
    if (mCursorPos != oldCursor) {
        mBlinkAcc = 0;
        mShowingCursor = true;
    }
    ScrollToCaret(true);
    const bool keepsSelection = shift || action == Action::Copy || action == Action::Undo;
    if (!keepsSelection || mHilitePos == mCursorPos)
        mHilitePos = -1;

    if (!mEditListener->AllowText(mId, mString)) {
        mString = oldString;
        mCursorPos = oldCursor;
        mHilitePos = oldHilite;
        mLastEdit = Edit::None;
        mLastModifyIdx = -1;
    } else if (record && mString != oldString) {
        mUndoString = oldString;
        mUndoCursor = oldCursor;
        mUndoHilitePos = oldHilite;
    }
    MarkDirty();
}

// Backspace at the start and Delete at the end have nothing to erase.
EditWidget::Action EditWidget::ActionFor(int keyCode, char c)
{
    if (c == kCharCopy)
        return Action::Copy;
    if (c == kCharCut)
        return Action::Cut;
    if (c == kCharPaste)
        return Action::Paste;
    if (c == kCharUndo)
        return Action::Undo;
    switch (keyCode) {
    case Platform::VK_LEFT:
        return Action::Left;
    case Platform::VK_RIGHT:
        return Action::Right;
    case Platform::VK_BACK:
        if (HasSelectedText() || mCursorPos > 0)
            return Action::Backspace;
        break;
    case Platform::VK_DELETE:
        if (HasSelectedText() || mCursorPos < Length())
            return Action::Delete;
        break;
    case Platform::VK_HOME:
        return Action::Home;
    case Platform::VK_END:
        return Action::End;
    case Platform::VK_RETURN:
        return Action::Enter;
    default:
        break;
    }
    return CanType(c) ? Action::Type : Action::None;
}

bool EditWidget::Perform(Action action, char c)
{
    const bool shift = KeyHeld(Platform::VK_SHIFT);
    const bool ctrl = KeyHeld(Platform::VK_CONTROL);
    const int start = mCursorPos;
    switch (action) {
    case Action::Copy:
        if (HasSelectedText())
            CopySelection();
        return false;
    case Action::Cut:
        if (!HasSelectedText())
            return false;
        CopySelection();
        ReplaceSelection("");
        mLastEdit = Edit::None;
        return true;
    case Action::Paste:
        ReplaceSelection(PastableClipboardText());
        mLastEdit = Edit::None;
        return true;
    case Action::Undo:
        std::swap(mString, mUndoString);
        std::swap(mCursorPos, mUndoCursor);
        std::swap(mHilitePos, mUndoHilitePos);
        mLastEdit = Edit::None;
        mLastModifyIdx = -1;
        return false;
    case Action::Left:
        if (ctrl) {
            while (mCursorPos > 0 && !IsPartOfWord(CharAt(mCursorPos - 1)))
                --mCursorPos;
            while (mCursorPos > 0 && IsPartOfWord(CharAt(mCursorPos - 1)))
                --mCursorPos;
        } else if (!shift && HasSelection()) {
            mCursorPos = std::min(mCursorPos, mHilitePos);
        } else {
            --mCursorPos;
        }
        return false;
    case Action::Right:
        if (ctrl) {
            while (mCursorPos < Length() - 1 && IsPartOfWord(CharAt(mCursorPos + 1)))
                ++mCursorPos;
            while (mCursorPos < Length() - 1 && !IsPartOfWord(CharAt(mCursorPos + 1)))
                ++mCursorPos;
        }
        if (!shift && HasSelection())
            mCursorPos = std::max(mCursorPos, mHilitePos);
        else
            ++mCursorPos;
        return false;
    case Action::Backspace:
        return Erase(Edit::Backspace, start - 1);
    case Action::Delete:
        return Erase(Edit::Delete, start);
    case Action::Home:
        mCursorPos = 0;
        return false;
    case Action::End:
        mCursorPos = Length();
        return false;
    case Action::Enter:
        mEditListener->EditWidgetText(mId, mString);
        return false;
    case Action::Type:
        return Type(c);
    case Action::None:
        break;
    }
    return false;
}

// Erases the selection, or the one character at `at`; a run of erasures of
// one kind, each starting where the last one left the caret, is one undo
// step.
bool EditWidget::Erase(Edit kind, int at)
{
    if (HasSelectedText()) {
        ReplaceSelection("");
        mLastEdit = Edit::None;
        return true;
    }
    const bool record = mLastEdit != kind || mLastModifyIdx != mCursorPos;
    mString.erase(static_cast<size_t>(at), 1);
    mCursorPos = at;
    mHilitePos = -1;
    mLastEdit = kind;
    mLastModifyIdx = at;
    return record;
}

// Characters typed one after another at the advancing caret are one undo
// step.
bool EditWidget::Type(char c)
{
    const bool record = HasSelectedText() || mLastEdit != Edit::Typing || mLastModifyIdx != mCursorPos;
    ReplaceSelection(std::string(1, c));
    mHilitePos = -1;
    mLastEdit = Edit::Typing;
    mLastModifyIdx = mCursorPos;
    return record;
}

bool EditWidget::KeyHeld(int keyCode) const
{
    return mWidgetManager && mWidgetManager->mKeyDown[static_cast<size_t>(keyCode)];
}

// The anchor is kept in range like the caret.
void EditWidget::ClampPositions()
{
    mCursorPos = std::clamp(mCursorPos, 0, Length());
    if (HasSelection())
        mHilitePos = std::clamp(mHilitePos, 0, Length());
}

// Only what typing would take: characters the font can draw, in 32..127,
// that the listener allows.
std::string EditWidget::PastableClipboardText()
{
    if (!mWidgetManager || !mWidgetManager->mApp)
        return std::string();
    const std::string clipboard = mWidgetManager->mApp->GetClipboard();
    std::string text;
    for (const char c : clipboard.substr(0, clipboard.find('\r'))) {
        if (c != '\n' && CanType(c))
            text += c;
    }
    return text;
}

void EditWidget::SetCursor(int cursor)
{
    if (mWidgetManager && mWidgetManager->mApp)
        mWidgetManager->mApp->SetCursor(cursor);
}

void EditWidget::MarkDirty()
{
    if (GetColor(kColorBkg).mAlpha == 255)
        Widget::MarkDirty();
    else
        MarkDirtyWhole();
}

void EditWidget::Update()
{
    Widget::Update();
    if (!mHasFocus)
        return;
    if (++mBlinkAcc > mBlinkDelay) {
        mBlinkAcc = 0;
        mShowingCursor = !mShowingCursor;
        MarkDirty();
    }
}

// The text in the text colour; over the selection (or the caret) again in
// the highlight's text colour on the highlight.
void EditWidget::Draw(Graphics* g)
{
    Font* font = GetFont();
    const std::string& display = GetDisplayString();
    const std::string visible = mLeftPos < static_cast<int>(display.size())
        ? display.substr(static_cast<size_t>(std::max(mLeftPos, 0)))
        : std::string();
    const int top = (mHeight - font->GetHeight()) / 2;
    const int baseline = top + font->GetAscent();

    Graphics text(*g);
    text.SetFont(font);
    text.ClipRect(kTextInset, 0, mWidth - 2 * kTextInset, mHeight);
    text.SetColor(GetColor(kColorText));
    text.DrawString(visible, kTextInset, baseline);
    if (!mHasFocus)
        return;

    int cursorX = OffsetOf(mCursorPos);
    int hiliteX = cursorX + kCaretWidth;
    if (HasSelectedText())
        hiliteX = OffsetOf(mHilitePos);
    if (!mShowingCursor)
        cursorX += kCaretWidth;
    const int right = mWidth - 2 * kTextInset;
    cursorX = std::min(std::max(0, cursorX), right);
    hiliteX = std::min(std::max(0, hiliteX), right);
    const int left = std::min(cursorX, hiliteX);
    if (cursorX == hiliteX)
        return;

    Graphics hilite(*g);
    hilite.SetFont(font);
    hilite.ClipRect(left + kTextInset, top, std::abs(hiliteX - cursorX), font->GetHeight());
    hilite.SetColor(GetColor(kColorHilite));
    hilite.FillRect(0, 0, mWidth, mHeight);
    hilite.SetColor(GetColor(kColorHiliteText));
    hilite.DrawString(visible, kTextInset, baseline);
}

void EditWidget::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    ScrollToCaret(false);
}

bool EditWidget::WantsFocus()
{
    return true;
}

void EditWidget::GotFocus()
{
    Widget::GotFocus();
    mShowingCursor = true;
    mBlinkAcc = 0;
    MarkDirty();
}

void EditWidget::LostFocus()
{
    Widget::LostFocus();
    mShowingCursor = false;
    MarkDirty();
}

void EditWidget::KeyChar(char c)
{
    ProcessKey(0, c);
}

// Letter keys A to Y arrive again as their typed characters.
void EditWidget::KeyDown(int keyCode)
{
    if ((keyCode < 'A' || keyCode > 'Y') && mEditListener->AllowKey(mId, keyCode))
        ProcessKey(keyCode, 0);
    Widget::KeyDown(keyCode);
}

void EditWidget::MouseEnter()
{
    SetCursor(VornAppBase::kCursorText);
}

void EditWidget::MouseLeave()
{
    SetCursor(VornAppBase::kCursorPointer);
}

void EditWidget::MouseDownButton(int x, int y, int, int clickCount)
{
    mHilitePos = -1;
    mCursorPos = GetCharIndexAt(x, y);
    if (clickCount > 1) {
        mHadDoubleClick = true;
        SelectWordAtCaret();
    }
    MarkDirty();
    ScrollToCaret(false);
}

void EditWidget::MouseDrag(int x, int y)
{
    if (!HasSelection())
        mHilitePos = mCursorPos;
    mCursorPos = GetCharIndexAt(x, y);
    MarkDirty();
    ScrollToCaret(false);
}

// The word under a double click's release is selected.
void EditWidget::MouseUpButton(int x, int y, int, int)
{
    if (mHilitePos == mCursorPos)
        mHilitePos = -1;
    if (mHadDoubleClick) {
        mHilitePos = -1;
        mCursorPos = GetCharIndexAt(x, y);
        mHadDoubleClick = false;
        SelectWordAtCaret();
    }
    MarkDirty();
}

} // namespace Vorn
