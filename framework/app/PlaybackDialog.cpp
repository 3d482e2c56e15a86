#include "framework/app/PlaybackDialog.h"

#include "framework/graphics/Color.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"

#include <algorithm>

namespace Vorn {

namespace {

constexpr int kPadding = 6;
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kEnter = 13;
constexpr uint8_t kEscape = 27;

const Color kFace(212, 208, 200);
const Color kFrame(64, 64, 64);
const Color kTitleBar(10, 36, 106);
const Color kField(255, 255, 255);
const Color kText(0, 0, 0);
const Color kSelected(49, 106, 197);
const Color kWhite(255, 255, 255);

bool Contains(const Rect& rect, int x, int y)
{
    return x >= rect.mX && y >= rect.mY && x < rect.mX + rect.mWidth && y < rect.mY + rect.mHeight;
}

void DrawButton(Graphics& g, Font& font, const Rect& rect, const std::string& caption, bool isDefault)
{
    g.SetColor(kFace);
    g.FillRect(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
    g.SetColor(kFrame);
    g.DrawRect(rect.mX, rect.mY, rect.mWidth - 1, rect.mHeight - 1);
    if (isDefault)
        g.DrawRect(rect.mX + 1, rect.mY + 1, rect.mWidth - 3, rect.mHeight - 3);
    g.SetColor(kText);
    g.SetFont(&font);
    g.DrawString(caption, rect.mX + (rect.mWidth - font.StringWidth(caption)) / 2,
                 rect.mY + (rect.mHeight - font.GetHeight()) / 2 + font.GetAscent());
}

} // namespace

void PlaybackDialog::HandleMessage(const Platform::MessageRecord& message)
{
    using namespace Platform;
    const int x = static_cast<int16_t>(message.lParam & 0xFFFF);
    const int y = static_cast<int16_t>((message.lParam >> 16) & 0xFFFF);
    switch (message.message) {
    case WM_CLOSE:
        End(kResultClosed);
        return;
    case WM_CHAR:
        OnChar(static_cast<uint8_t>(message.wParam));
        return;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<int>(message.wParam));
        return;
    case WM_LBUTTONDOWN:
        OnClick(x, y, false);
        return;
    case WM_LBUTTONDBLCLK:
        OnClick(x, y, true);
        return;
    case WM_MOUSEWHEEL:
        OnWheel(static_cast<int16_t>((message.wParam >> 16) & 0xFFFF));
        return;
    default:
        return;
    }
}

void PlaybackDialog::Draw(Graphics& g, Font& font, int screenWidth, int screenHeight)
{
    const int titleHeight = font.GetHeight() + kPadding;
    const int width = std::min(Width(), screenWidth);
    const int height = std::min(titleHeight + BodyHeight(font), screenHeight);
    const Rect box((screenWidth - width) / 2, (screenHeight - height) / 2, width, height);
    mBody = Rect(box.mX + kPadding, box.mY + titleHeight + kPadding, box.mWidth - 2 * kPadding,
                 box.mHeight - titleHeight - 2 * kPadding);
    g.SetColor(kFace);
    g.FillRect(box.mX, box.mY, box.mWidth, box.mHeight);
    g.SetColor(kTitleBar);
    g.FillRect(box.mX, box.mY, box.mWidth, titleHeight);
    g.SetColor(kFrame);
    g.DrawRect(box.mX, box.mY, box.mWidth - 1, box.mHeight - 1);
    g.SetColor(kWhite);
    g.SetFont(&font);
    g.DrawString(mTitle, box.mX + kPadding, box.mY + kPadding / 2 + font.GetAscent());
    DrawBody(g, font, mBody);
}

void PlaybackDialog::End(int result)
{
    mDone = true;
    mResult = result;
}

MarkerListDialog::MarkerListDialog(std::vector<Item> items, std::function<bool(int32_t)> choose)
    : PlaybackDialog("Marker List"), mItems(std::move(items)), mChoose(std::move(choose))
{
}

void MarkerListDialog::Select(int index)
{
    if (mItems.empty())
        return;
    mSelection = std::clamp(index, 0, static_cast<int>(mItems.size()) - 1);
    if (mSelection < mFirstRow)
        mFirstRow = mSelection;
    else if (mSelection >= mFirstRow + kVisibleRows)
        mFirstRow = mSelection - kVisibleRows + 1;
}

// A marker the replay has passed meanwhile is not jumped to: the dialog
// stays open.
void MarkerListDialog::Choose()
{
    if (mSelection < 0)
        return;
    if (mChoose(mItems[static_cast<size_t>(mSelection)].mUpdate))
        End(kResultOk);
}

void MarkerListDialog::OnChar(uint8_t character)
{
    if (character == kEnter)
        Choose();
    else if (character == kEscape)
        End(kResultClosed);
}

void MarkerListDialog::OnKeyDown(int keyCode)
{
    switch (keyCode) {
    case Platform::VK_UP:
        Select(mSelection - 1);
        return;
    case Platform::VK_DOWN:
        Select(mSelection + 1);
        return;
    case Platform::VK_PRIOR:
        Select(mSelection - kVisibleRows);
        return;
    case Platform::VK_NEXT:
        Select(mSelection + kVisibleRows);
        return;
    default:
        return;
    }
}

void MarkerListDialog::OnClick(int x, int y, bool doubleClick)
{
    if (!Contains(mBody, x, y))
        return;
    const int row = mFirstRow + (y - mBody.mY) / mRowHeight;
    if (row >= static_cast<int>(mItems.size()))
        return;
    mSelection = row;
    if (doubleClick)
        Choose();
}

void MarkerListDialog::OnWheel(int amount)
{
    const int maxFirst = std::max(static_cast<int>(mItems.size()) - kVisibleRows, 0);
    mFirstRow = std::clamp(mFirstRow - amount / Platform::WHEEL_DELTA, 0, maxFirst);
}

int MarkerListDialog::BodyHeight(Font& font) const
{
    return kVisibleRows * (font.GetHeight() + 2) + 2 * kPadding;
}

void MarkerListDialog::DrawBody(Graphics& g, Font& font, const Rect& body)
{
    mRowHeight = font.GetHeight() + 2;
    g.SetColor(kField);
    g.FillRect(body.mX, body.mY, body.mWidth, body.mHeight);
    g.SetFont(&font);
    const int rows = std::min(kVisibleRows, static_cast<int>(mItems.size()) - mFirstRow);
    for (int i = 0; i < rows; ++i) {
        const int index = mFirstRow + i;
        const int y = body.mY + i * mRowHeight;
        if (index == mSelection) {
            g.SetColor(kSelected);
            g.FillRect(body.mX, y, body.mWidth, mRowHeight);
            g.SetColor(kWhite);
        } else {
            g.SetColor(kText);
        }
        g.DrawString(mItems[static_cast<size_t>(index)].mText, body.mX + 2, y + 1 + font.GetAscent());
    }
    g.SetColor(kFrame);
    g.DrawRect(body.mX, body.mY, body.mWidth - 1, body.mHeight - 1);
}

JumpDialog::JumpDialog(std::string text, std::function<void(const std::string&)> ok)
    : PlaybackDialog("Jump To Time"), mText(std::move(text)), mOk(std::move(ok))
{
    if (mText.size() > kMaxTextLength)
        mText.resize(kMaxTextLength);
}

void JumpDialog::Ok()
{
    mOk(mText);
    End(kResultOk);
}

void JumpDialog::OnChar(uint8_t character)
{
    if (character == kEnter) {
        Ok();
        return;
    }
    if (character == kEscape) {
        End(kResultCancel);
        return;
    }
    if (character == kBackspace) {
        if (mAllSelected)
            mText.clear();
        else if (!mText.empty())
            mText.pop_back();
        mAllSelected = false;
        return;
    }
    if (character < ' ' || character == 127)
        return;
    if (mAllSelected)
        mText.clear();
    mAllSelected = false;
    if (mText.size() < kMaxTextLength)
        mText += static_cast<char>(character);
}

Rect JumpDialog::OkButton() const
{
    const int width = mBody.mWidth / 3;
    return Rect(mBody.mX + mBody.mWidth / 2 - width - kPadding, mBody.mY + mFieldHeight + kPadding, width,
                mFieldHeight);
}

Rect JumpDialog::CancelButton() const
{
    const int width = mBody.mWidth / 3;
    return Rect(mBody.mX + mBody.mWidth / 2 + kPadding, mBody.mY + mFieldHeight + kPadding, width, mFieldHeight);
}

void JumpDialog::OnClick(int x, int y, bool)
{
    if (Contains(OkButton(), x, y))
        Ok();
    else if (Contains(CancelButton(), x, y))
        End(kResultCancel);
}

int JumpDialog::BodyHeight(Font& font) const
{
    return 2 * (font.GetHeight() + kPadding) + 3 * kPadding;
}

void JumpDialog::DrawBody(Graphics& g, Font& font, const Rect& body)
{
    mFieldHeight = font.GetHeight() + kPadding;
    g.SetColor(kField);
    g.FillRect(body.mX, body.mY, body.mWidth, mFieldHeight);
    g.SetFont(&font);
    const int textWidth = font.StringWidth(mText);
    const int baseline = body.mY + kPadding / 2 + font.GetAscent();
    if (mAllSelected && !mText.empty()) {
        g.SetColor(kSelected);
        g.FillRect(body.mX + 2, body.mY + 2, textWidth, mFieldHeight - 4);
        g.SetColor(kWhite);
    } else {
        g.SetColor(kText);
    }
    g.DrawString(mText, body.mX + 2, baseline);
    if (!mAllSelected) {
        g.SetColor(kText);
        g.FillRect(body.mX + 3 + textWidth, body.mY + 2, 1, mFieldHeight - 4);
    }
    g.SetColor(kFrame);
    g.DrawRect(body.mX, body.mY, body.mWidth - 1, mFieldHeight - 1);
    DrawButton(g, font, OkButton(), "Ok", true);
    DrawButton(g, font, CancelButton(), "Cancel", false);
}

} // namespace Vorn
