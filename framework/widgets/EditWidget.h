#pragma once
// The one-line text field: an 8-bit text with a caret, a selection between
// an anchor and the caret, a horizontal scroll position and a one-step undo.
// It takes keys and typed characters from the manager, the clipboard through
// the application, and reports Enter and asks leave of its EditListener
// under its id.

#include "framework/widgets/Widget.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Vorn {

class EditListener;
class Font;

class EditWidget : public Widget {
public:
    // Colour table entries. The field fills no background: the background
    // colour only decides whether the field is opaque when marked dirty.
    static constexpr int kColorBkg = 0;
    static constexpr int kColorOutline = 1;
    static constexpr int kColorText = 2;
    static constexpr int kColorHilite = 3;
    static constexpr int kColorHiliteText = 4;
    // The text is written this far in from either side; a click midway into
    // a character lands behind it. The caret takes this much more room.
    static constexpr int kTextInset = 4;
    static constexpr int kCaretWidth = 2;

    // The listener is required.
    EditWidget(int id, EditListener* listener);
    ~EditWidget() override;

    // A key code (from KeyDown, with no character) or a character (from
    // KeyChar, with key code 0).
    virtual void ProcessKey(int keyCode, char c);
    // The word under the caret, on the displayed string.
    virtual void SelectWordAtCaret();
    // Keeps duplicates; the width-check list is replaced by the one font
    // given (none for null).
    virtual void SetFont(Font* font, Font* widthCheckFont);
    // The whole new text is selected, so that typing replaces it.
    virtual void SetText(const std::string& text, bool leftPositionToZero);
    virtual bool IsPartOfWord(char c);
    // The caret position a click at widget-local x lands on.
    virtual int GetCharIndexAt(int x, int y);
    virtual void ScrollToCaret(bool bigJump);

    void AddWidthCheckFont(Font* font);
    void ClearWidthCheckFonts();
    // The text, or as many password characters while one is set.
    const std::string& GetDisplayString();
    // Cuts the text from its end until every width-check font fits it.
    void EnforceMaxPixels();

    // Opaque while the background colour is, else marked as a whole.
    void MarkDirty() override;
    void Update() override;
    void Draw(Graphics* g) override;
    using Widget::Resize;
    void Resize(int x, int y, int width, int height) override;
    bool WantsFocus() override;
    void GotFocus() override;
    void LostFocus() override;
    void KeyChar(char c) override;
    void KeyDown(int keyCode) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;

    int mId;
    std::string mString;
    std::string mPasswordDisplayString;
    std::unique_ptr<Font> mFont;
    // Each font with its own pixel limit; -1 takes the field's.
    std::vector<std::pair<std::unique_ptr<Font>, int>> mWidthCheckList;
    EditListener* mEditListener;
    // The caret's blink state.
    bool mShowingCursor = false;
    // A double click waits for its release to select the word there.
    bool mHadDoubleClick = false;
    int mCursorPos = 0;
    // The selection's other end; -1 without a selection.
    int mHilitePos = -1;
    int mBlinkAcc = 0;
    int mBlinkDelay = 40;
    // The first visible character.
    int mLeftPos = 0;
    // -1: no limit.
    int mMaxChars = -1;
    int mMaxPixels = -1;
    // 0: the text shows as it is.
    char mPasswordChar = 0;
    std::string mUndoString;
    int mUndoCursor = 0;
    int mUndoHilitePos = 0;
    // Where the last typed, erased or deleted character left the caret, and
    // which of the three it was: runs of one kind there form one undo step.
    int mLastModifyIdx = -1;

private:
    enum class Edit { None, Typing, Backspace, Delete };
    enum class Action { None, Copy, Cut, Paste, Undo, Left, Right, Backspace, Delete, Home, End, Enter, Type };

    // The field's font, made the first time it is needed.
    Font* GetFont();
    int Length() const { return static_cast<int>(mString.size()); }
    char CharAt(int position) const { return mString[static_cast<size_t>(position)]; }
    bool KeyHeld(int keyCode) const;
    bool HasSelection() const { return mHilitePos != -1; }
    // A selection of at least one character.
    bool HasSelectedText() const { return mHilitePos != -1 && mHilitePos != mCursorPos; }
    void ClampPositions();
    // Pixels from the first visible character to the position in the
    // displayed string; negative for a position before it.
    int OffsetOf(int position);
    bool CanType(char c);
    // Replaces the selection (or inserts at the caret); the caret goes behind
    // the inserted text.
    void ReplaceSelection(const std::string& text);
    void CopySelection();
    // The clipboard's first line, of the characters the field may take.
    std::string PastableClipboardText();
    Action ActionFor(int keyCode, char c);
    // True when the change starts a new undo step.
    bool Perform(Action action, char c);
    bool Erase(Edit kind, int at);
    bool Type(char c);
    void SetCursor(int cursor);

    Edit mLastEdit = Edit::None;
};

} // namespace Vorn
