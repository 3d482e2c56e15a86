#pragma once
// The two controls of the crash windows, drawn in the plain look of the
// desktop's dialogs: a text field (one or more word-wrapped lines, read-only
// or editable, with a border and a vertical scroll bar when asked) and a
// push button. They take mouse and key input in window coordinates from the
// window that holds them.

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Rect.h"

#include <string>
#include <string_view>
#include <vector>

namespace CrashCatcher {

// The desktop's dialog colours.
inline const Vorn::Color kFaceColor(240, 240, 240);
inline const Vorn::Color kTextColor(0, 0, 0);
inline const Vorn::Color kGrayTextColor(160, 160, 160);
inline const Vorn::Color kFieldColor(255, 255, 255);
inline const Vorn::Color kShadowColor(160, 160, 160);
inline const Vorn::Color kDarkShadowColor(64, 64, 64);
inline const Vorn::Color kHighlightColor(255, 255, 255);

class TextField {
public:
    struct Style {
        bool border = false;
        bool scrollBar = false;
        bool multiLine = true;
        bool editable = false;
    };

    static constexpr int kScrollBarWidth = 16;
    // Lines a wheel notch scrolls.
    static constexpr int kWheelLines = 3;
    // The most an editable field takes; what is typed beyond is dropped.
    static constexpr size_t kMaxTyped = 32767;

    TextField(const Vorn::Rect& bounds, const Style& style, Vorn::Font* font, const std::string& text);

    const Vorn::Rect& Bounds() const { return mBounds; }
    const std::string& Text() const { return mText; }
    void SetText(const std::string& text);
    bool Editable() const { return mStyle.editable; }

    // The text's lines as they are shown: each a run of the text, broken at
    // line ends and, where a line is wider than the field, before the word
    // that does not fit (inside a word only when it alone is wider).
    struct Line {
        size_t start = 0;
        size_t length = 0;
    };
    const std::vector<Line>& Lines() const { return mLines; }
    int FirstVisibleLine() const { return mTopLine; }
    int VisibleLines() const;
    size_t Caret() const { return mCaret; }

    void Draw(Vorn::Graphics& g, bool focused) const;

    // True when the press was taken (a press inside the field).
    bool MouseDown(int x, int y);
    void MouseMove(int x, int y);
    void MouseUp();
    void Wheel(int notches);
    // A virtual-key code: caret moves and scrolling.
    void KeyDown(int key);
    // A typed Windows-1252 byte; Enter is 13, Backspace 8.
    void Char(unsigned char c);

private:
    int LineHeight() const;
    int TextWidth() const;
    Vorn::Rect TextArea() const;
    // Lays the text out again from the line on.
    void Layout(int fromLine);
    // At the caret, unless the text would grow past kMaxTyped.
    void Insert(std::string_view typed);
    void ScrollTo(int line);
    void ScrollCaretIntoView();
    int LineOf(size_t position) const;
    int LineOfCaret() const;
    int MaxTopLine() const;
    // The scroll bar's parts: the arrow buttons and the thumb inside the track.
    Vorn::Rect UpArrow() const;
    Vorn::Rect DownArrow() const;
    Vorn::Rect Thumb() const;
    void DrawScrollBar(Vorn::Graphics& g) const;

    Vorn::Rect mBounds;
    Style mStyle;
    Vorn::Font* mFont;
    std::string mText;
    std::vector<Line> mLines;
    int mTopLine = 0;
    size_t mCaret = 0;
    // Dragging the thumb: where the press was, and the top line then.
    bool mDragging = false;
    int mDragStartY = 0;
    int mDragStartTop = 0;
};

class PushButton {
public:
    PushButton(const Vorn::Rect& bounds, const std::string& label, Vorn::Font* font, bool enabled);

    const Vorn::Rect& Bounds() const { return mBounds; }
    const std::string& Label() const { return mLabel; }
    bool Enabled() const { return mEnabled; }
    bool Contains(int x, int y) const;

    // Drawn sunk while `pressed`.
    void Draw(Vorn::Graphics& g, bool pressed) const;

private:
    Vorn::Rect mBounds;
    std::string mLabel;
    Vorn::Font* mFont;
    bool mEnabled;
};

// Whether (x, y) lies in the rectangle.
bool Inside(const Vorn::Rect& rect, int x, int y);

} // namespace CrashCatcher
