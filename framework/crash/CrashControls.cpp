#include "framework/crash/CrashControls.h"

#include "platform/Window.h"

#include <algorithm>

namespace CrashCatcher {

namespace {

// Text sits this far in from the field's edges.
constexpr int kTextMargin = 2;
constexpr int kShortestThumb = 8;

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// Where the paragraph's next line ends, the line starting at `start`: after
// the last blank that fits (a blank may hang past the edge), else inside the
// word. A line holds at least one character.
size_t WrapEnd(const std::string& text, size_t start, size_t end, int width, Vorn::Font& font)
{
    const auto fitsTo = [&](size_t stop) { return font.StringWidth(text.substr(start, stop - start)) <= width; };
    if (fitsTo(end))
        return end;
    // Widths grow with the text: the longest run that fits lies between.
    size_t fits = start;
    size_t over = end;
    while (over - fits > 1) {
        const size_t middle = fits + (over - fits) / 2;
        (fitsTo(middle) ? fits : over) = middle;
    }
    if (text[fits] == ' ')
        return fits + 1;
    for (size_t i = fits; i > start; --i) {
        if (text[i - 1] == ' ')
            return i;
    }
    return std::max(fits, start + 1);
}

void DrawBevel(Vorn::Graphics& g, const Vorn::Rect& r, bool sunk)
{
    const Vorn::Color& topLeft = sunk ? kDarkShadowColor : kHighlightColor;
    const Vorn::Color& bottomRight = sunk ? kHighlightColor : kDarkShadowColor;
    g.SetColor(topLeft);
    g.FillRect(r.mX, r.mY, r.mWidth, 1);
    g.FillRect(r.mX, r.mY, 1, r.mHeight);
    g.SetColor(bottomRight);
    g.FillRect(r.mX, r.mY + r.mHeight - 1, r.mWidth, 1);
    g.FillRect(r.mX + r.mWidth - 1, r.mY, 1, r.mHeight);
}

// An arrow of the scroll bar, pointing up or down, centred in the box.
void DrawArrow(Vorn::Graphics& g, const Vorn::Rect& box, bool up)
{
    g.SetColor(kFaceColor);
    g.FillRect(box.mX, box.mY, box.mWidth, box.mHeight);
    DrawBevel(g, box, false);
    g.SetColor(kTextColor);
    const int centerX = box.mX + box.mWidth / 2;
    const int centerY = box.mY + box.mHeight / 2;
    for (int row = 0; row < 4; ++row) {
        const int y = up ? centerY - 2 + row : centerY + 1 - row;
        g.FillRect(centerX - row, y, 2 * row + 1, 1);
    }
}

} // namespace

bool Inside(const Vorn::Rect& rect, int x, int y)
{
    return x >= rect.mX && y >= rect.mY && x < rect.mX + rect.mWidth && y < rect.mY + rect.mHeight;
}

TextField::TextField(const Vorn::Rect& bounds, const Style& style, Vorn::Font* font, const std::string& text)
    : mBounds(bounds), mStyle(style), mFont(font)
{
    SetText(text);
}

void TextField::SetText(const std::string& text)
{
    mText = text.substr(0, mStyle.editable ? kMaxTyped : std::string::npos);
    mCaret = mText.size();
    mLines.clear();
    Layout(0);
    ScrollTo(mStyle.editable ? LineOfCaret() : 0);
}

int TextField::LineHeight() const
{
    return mFont == nullptr ? 1 : std::max(mFont->GetLineSpacing(), 1);
}

Vorn::Rect TextField::TextArea() const
{
    const int inset = (mStyle.border ? 1 : 0) + kTextMargin;
    const int bar = mStyle.scrollBar ? kScrollBarWidth : 0;
    return {mBounds.mX + inset, mBounds.mY + inset, std::max(mBounds.mWidth - 2 * inset - bar, 1),
            std::max(mBounds.mHeight - 2 * inset, 1)};
}

int TextField::TextWidth() const
{
    return TextArea().mWidth;
}

int TextField::VisibleLines() const
{
    return std::max(TextArea().mHeight / LineHeight(), 1);
}

void TextField::Layout(int fromLine)
{
    // The lines before stay: each line's break depends only on its own text
    // and the first word of the next, and the text before the edit that
    // asked for this has not changed.
    const auto keep = static_cast<size_t>(std::clamp(fromLine, 0, static_cast<int>(mLines.size())));
    size_t start = keep < mLines.size() ? mLines[keep].start : 0;
    mLines.resize(keep < mLines.size() ? keep : 0);
    for (;;) {
        size_t end = start;
        while (end < mText.size() && !IsLineBreak(mText[end]))
            ++end;
        if (!mStyle.multiLine || mFont == nullptr) {
            mLines.push_back({start, end - start});
        } else {
            size_t from = start;
            do {
                const size_t to = from == end ? end : WrapEnd(mText, from, end, TextWidth(), *mFont);
                mLines.push_back({from, to - from});
                from = to;
            } while (from < end);
        }
        if (end == mText.size())
            break;
        // "\r\n" is one line end.
        start = end + (mText[end] == '\r' && end + 1 < mText.size() && mText[end + 1] == '\n' ? 2 : 1);
        if (!mStyle.multiLine)
            break;
    }
}

int TextField::MaxTopLine() const
{
    return std::max(static_cast<int>(mLines.size()) - VisibleLines(), 0);
}

void TextField::ScrollTo(int line)
{
    mTopLine = std::clamp(line, 0, MaxTopLine());
}

int TextField::LineOf(size_t position) const
{
    int found = 0;
    for (size_t i = 0; i < mLines.size(); ++i) {
        if (mLines[i].start <= position)
            found = static_cast<int>(i);
    }
    return found;
}

int TextField::LineOfCaret() const
{
    return LineOf(mCaret);
}

void TextField::ScrollCaretIntoView()
{
    const int line = LineOfCaret();
    if (line < mTopLine)
        ScrollTo(line);
    else if (line >= mTopLine + VisibleLines())
        ScrollTo(line - VisibleLines() + 1);
}

Vorn::Rect TextField::UpArrow() const
{
    const int inset = mStyle.border ? 1 : 0;
    return {mBounds.mX + mBounds.mWidth - inset - kScrollBarWidth, mBounds.mY + inset, kScrollBarWidth,
            kScrollBarWidth};
}

Vorn::Rect TextField::DownArrow() const
{
    const Vorn::Rect up = UpArrow();
    const int inset = mStyle.border ? 1 : 0;
    return {up.mX, mBounds.mY + mBounds.mHeight - inset - kScrollBarWidth, kScrollBarWidth, kScrollBarWidth};
}

Vorn::Rect TextField::Thumb() const
{
    const Vorn::Rect up = UpArrow();
    const int trackTop = up.mY + up.mHeight;
    const int track = DownArrow().mY - trackTop;
    const int total = static_cast<int>(mLines.size());
    if (total <= VisibleLines() || track <= kShortestThumb)
        return {};
    const int length = std::max(track * VisibleLines() / total, kShortestThumb);
    const int top = trackTop + (track - length) * mTopLine / MaxTopLine();
    return {up.mX, top, kScrollBarWidth, length};
}

void TextField::DrawScrollBar(Vorn::Graphics& g) const
{
    const Vorn::Rect up = UpArrow();
    const Vorn::Rect down = DownArrow();
    g.SetColor(Vorn::Color(224, 224, 224));
    g.FillRect(up.mX, up.mY, kScrollBarWidth, down.mY + down.mHeight - up.mY);
    DrawArrow(g, up, true);
    DrawArrow(g, down, false);
    const Vorn::Rect thumb = Thumb();
    if (thumb.mHeight > 0) {
        g.SetColor(kFaceColor);
        g.FillRect(thumb.mX, thumb.mY, thumb.mWidth, thumb.mHeight);
        DrawBevel(g, thumb, false);
    }
}

void TextField::Draw(Vorn::Graphics& g, bool focused) const
{
    g.SetColor(mStyle.editable ? kFieldColor : kFaceColor);
    g.FillRect(mBounds.mX, mBounds.mY, mBounds.mWidth, mBounds.mHeight);
    if (mStyle.border) {
        g.SetColor(kTextColor);
        g.DrawRect(mBounds.mX, mBounds.mY, mBounds.mWidth - 1, mBounds.mHeight - 1);
    }
    if (mStyle.scrollBar)
        DrawScrollBar(g);
    if (mFont == nullptr)
        return;

    const Vorn::Rect area = TextArea();
    g.PushState();
    g.ClipRect(area.mX, area.mY, area.mWidth, area.mHeight);
    g.SetFont(mFont);
    g.SetColor(kTextColor);
    const int last = std::min(mTopLine + VisibleLines() + 1, static_cast<int>(mLines.size()));
    for (int i = mTopLine; i < last; ++i) {
        const Line& line = mLines[static_cast<size_t>(i)];
        const int baseline = area.mY + (i - mTopLine) * LineHeight() + mFont->GetAscent();
        g.DrawString(mText.substr(line.start, line.length), area.mX, baseline);
    }
    if (focused && mStyle.editable) {
        const int line = LineOfCaret();
        const Line& at = mLines[static_cast<size_t>(line)];
        const int x = area.mX + mFont->StringWidth(mText.substr(at.start, mCaret - at.start));
        const int y = area.mY + (line - mTopLine) * LineHeight();
        g.FillRect(x, y, 1, mFont->GetHeight());
    }
    g.PopState();
}

bool TextField::MouseDown(int x, int y)
{
    if (!Inside(mBounds, x, y))
        return false;
    if (!mStyle.scrollBar || x < UpArrow().mX)
        return true;
    const Vorn::Rect thumb = Thumb();
    if (Inside(UpArrow(), x, y)) {
        ScrollTo(mTopLine - 1);
    } else if (Inside(DownArrow(), x, y)) {
        ScrollTo(mTopLine + 1);
    } else if (Inside(thumb, x, y)) {
        mDragging = true;
        mDragStartY = y;
        mDragStartTop = mTopLine;
    } else if (thumb.mHeight > 0) {
        ScrollTo(y < thumb.mY ? mTopLine - VisibleLines() : mTopLine + VisibleLines());
    }
    return true;
}

void TextField::MouseMove(int, int y)
{
    if (!mDragging)
        return;
    const Vorn::Rect thumb = Thumb();
    const int travel = DownArrow().mY - (UpArrow().mY + UpArrow().mHeight) - thumb.mHeight;
    if (travel > 0)
        ScrollTo(mDragStartTop + (y - mDragStartY) * MaxTopLine() / travel);
}

void TextField::MouseUp()
{
    mDragging = false;
}

void TextField::Wheel(int notches)
{
    ScrollTo(mTopLine - notches * kWheelLines);
}

void TextField::KeyDown(int key)
{
    if (!mStyle.editable) {
        switch (key) {
        case Platform::VK_UP: ScrollTo(mTopLine - 1); break;
        case Platform::VK_DOWN: ScrollTo(mTopLine + 1); break;
        case Platform::VK_PRIOR: ScrollTo(mTopLine - VisibleLines()); break;
        case Platform::VK_NEXT: ScrollTo(mTopLine + VisibleLines()); break;
        case Platform::VK_HOME: ScrollTo(0); break;
        case Platform::VK_END: ScrollTo(MaxTopLine()); break;
        default: break;
        }
        return;
    }
    switch (key) {
    case Platform::VK_LEFT:
        if (mCaret > 0)
            mCaret -= mCaret >= 2 && mText.compare(mCaret - 2, 2, "\r\n") == 0 ? 2 : 1;
        break;
    case Platform::VK_RIGHT:
        if (mCaret < mText.size())
            mCaret += mText.compare(mCaret, 2, "\r\n") == 0 ? 2 : 1;
        break;
    case Platform::VK_HOME:
        mCaret = mLines[static_cast<size_t>(LineOfCaret())].start;
        break;
    case Platform::VK_END: {
        const Line& line = mLines[static_cast<size_t>(LineOfCaret())];
        mCaret = line.start + line.length;
        break;
    }
    case Platform::VK_DELETE:
        if (mCaret < mText.size()) {
            mText.erase(mCaret, mText.compare(mCaret, 2, "\r\n") == 0 ? 2 : 1);
            Layout(LineOfCaret() - 1);
        }
        break;
    default:
        return;
    }
    ScrollCaretIntoView();
}

void TextField::Char(unsigned char c)
{
    if (!mStyle.editable)
        return;
    int changedLine = LineOfCaret();
    if (c == '\b') {
        if (mCaret == 0)
            return;
        const size_t count = mCaret >= 2 && mText.compare(mCaret - 2, 2, "\r\n") == 0 ? 2 : 1;
        mCaret -= count;
        changedLine = LineOf(mCaret);
        mText.erase(mCaret, count);
    } else if (c == '\r' && mStyle.multiLine) {
        Insert("\r\n");
    } else if (c >= ' ') {
        const char typed = static_cast<char>(c);
        Insert(std::string_view(&typed, 1));
    } else {
        return;
    }
    Layout(changedLine - 1);
    ScrollCaretIntoView();
}

void TextField::Insert(std::string_view typed)
{
    if (mText.size() + typed.size() > kMaxTyped)
        return;
    mText.insert(mCaret, typed);
    mCaret += typed.size();
}

PushButton::PushButton(const Vorn::Rect& bounds, const std::string& label, Vorn::Font* font, bool enabled)
    : mBounds(bounds), mLabel(label), mFont(font), mEnabled(enabled)
{
}

bool PushButton::Contains(int x, int y) const
{
    return Inside(mBounds, x, y);
}

void PushButton::Draw(Vorn::Graphics& g, bool pressed) const
{
    const Vorn::Rect& r = mBounds;
    g.SetColor(kFaceColor);
    g.FillRect(r.mX, r.mY, r.mWidth, r.mHeight);
    // The default button's frame: a dark line around the bevel.
    g.SetColor(kTextColor);
    g.DrawRect(r.mX, r.mY, r.mWidth - 1, r.mHeight - 1);
    DrawBevel(g, {r.mX + 1, r.mY + 1, r.mWidth - 2, r.mHeight - 2}, pressed);
    if (mFont == nullptr)
        return;
    const int shift = pressed ? 1 : 0;
    const int x = r.mX + (r.mWidth - mFont->StringWidth(mLabel)) / 2 + shift;
    const int y = r.mY + (r.mHeight - mFont->GetHeight()) / 2 + mFont->GetAscent() + shift;
    g.PushState();
    g.ClipRect(r.mX + 2, r.mY + 2, r.mWidth - 4, r.mHeight - 4);
    g.SetFont(mFont);
    if (!mEnabled) {
        // Etched: a light copy one pixel down and right under the gray text.
        g.SetColor(kHighlightColor);
        g.DrawString(mLabel, x + 1, y + 1);
    }
    g.SetColor(mEnabled ? kTextColor : kGrayTextColor);
    g.DrawString(mLabel, x, y);
    g.PopState();
}

} // namespace CrashCatcher
