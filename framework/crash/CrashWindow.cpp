#include "framework/crash/CrashWindow.h"

namespace CrashCatcher {

namespace {

constexpr auto kRepresentPeriod = std::chrono::milliseconds(250);

int LowWord(intptr_t lParam)
{
    return static_cast<int16_t>(static_cast<uint32_t>(lParam) & 0xFFFF);
}

int HighWord(intptr_t lParam)
{
    return static_cast<int16_t>(static_cast<uint32_t>(lParam) >> 16);
}

} // namespace

CrashWindow::CrashWindow(std::unique_ptr<Platform::Window> window, const std::string& title, int clientWidth,
                         int clientHeight, Platform::Point position)
    : mWindow(std::move(window)), mCanvas(nullptr)
{
    mCanvas.Create(clientWidth, clientHeight);
    mWindow->Create({title, clientWidth, clientHeight, Platform::WindowStyle::Framed, position});
    mWindow->SetProcedure([this](Platform::Window&, const Platform::MessageRecord& message) { Procedure(message); });
}

TextField& CrashWindow::AddField(const Vorn::Rect& bounds, const TextField::Style& style, Vorn::Font* font,
                                 const std::string& text)
{
    mFields.push_back(std::make_unique<TextField>(bounds, style, font, text));
    mDirty = true;
    return *mFields.back();
}

PushButton& CrashWindow::AddButton(const Vorn::Rect& bounds, const std::string& label, Vorn::Font* font,
                                   bool enabled)
{
    mButtons.push_back(std::make_unique<PushButton>(bounds, label, font, enabled));
    mDirty = true;
    return *mButtons.back();
}

void CrashWindow::Focus(TextField& field)
{
    mFocus = &field;
    mDirty = true;
}

void CrashWindow::Show()
{
    mVisible = true;
    mWindow->Show(true);
    mDirty = true;
    Refresh();
}

void CrashWindow::Hide()
{
    mVisible = false;
    mWindow->Hide();
}

void CrashWindow::Refresh()
{
    if (!mVisible)
        return;
    // A frame presented while the desktop was still mapping the window may
    // never have been shown: the last one goes out again now and then.
    const auto now = std::chrono::steady_clock::now();
    if (!mDirty && now - mLastPresent < kRepresentPeriod)
        return;
    if (mDirty)
        Draw();
    mDirty = false;
    mLastPresent = now;
    const Platform::Frame frame{mCanvas.GetBits(), mCanvas.GetWidth() * 4, mCanvas.GetWidth(), mCanvas.GetHeight(),
                                Platform::kFormatX8R8G8B8};
    mWindow->Present(frame, {});
}

void CrashWindow::Draw()
{
    Vorn::Graphics g(&mCanvas);
    g.SetColor(kFaceColor);
    g.FillRect(0, 0, mCanvas.GetWidth(), mCanvas.GetHeight());
    for (const auto& field : mFields)
        field->Draw(g, field.get() == mFocus);
    for (const auto& button : mButtons)
        button->Draw(g, button.get() == mHeldButton && mHeldInside);
}

void CrashWindow::Procedure(const Platform::MessageRecord& message)
{
    const int x = LowWord(message.lParam);
    const int y = HighWord(message.lParam);
    switch (message.message) {
    case Platform::WM_LBUTTONDOWN:
    case Platform::WM_LBUTTONDBLCLK:
        MouseDown(x, y);
        break;
    case Platform::WM_LBUTTONUP:
        MouseUp(x, y);
        break;
    case Platform::WM_MOUSEMOVE:
        if (mHeldField != nullptr)
            mHeldField->MouseMove(x, y);
        if (mHeldButton != nullptr)
            mHeldInside = mHeldButton->Contains(x, y);
        mDirty = mDirty || mHeldField != nullptr || mHeldButton != nullptr;
        break;
    case Platform::WM_MOUSEWHEEL:
        // The field under the pointer, else the one with the keys.
        for (const auto& field : mFields) {
            if (Inside(field->Bounds(), x, y) || (field.get() == mFocus && !AnyFieldAt(x, y))) {
                field->Wheel(static_cast<int16_t>(message.wParam >> 16) / Platform::WHEEL_DELTA);
                mDirty = true;
                break;
            }
        }
        break;
    case Platform::WM_KEYDOWN:
        if (mFocus != nullptr) {
            mFocus->KeyDown(static_cast<int>(message.wParam));
            mDirty = true;
        }
        break;
    case Platform::WM_CHAR:
        if (mFocus != nullptr) {
            mFocus->Char(static_cast<unsigned char>(message.wParam));
            mDirty = true;
        }
        break;
    case Platform::WM_PAINT:
    case Platform::WM_ACTIVATEAPP:
        mDirty = true;
        break;
    case Platform::WM_CLOSE:
    case Platform::WM_TIMER:
        if (mOnMessage)
            mOnMessage(message);
        break;
    default:
        break;
    }
}

bool CrashWindow::AnyFieldAt(int x, int y) const
{
    for (const auto& field : mFields) {
        if (Inside(field->Bounds(), x, y))
            return true;
    }
    return false;
}

void CrashWindow::MouseDown(int x, int y)
{
    for (const auto& button : mButtons) {
        if (button->Enabled() && button->Contains(x, y)) {
            mHeldButton = button.get();
            mHeldInside = true;
            mDirty = true;
            return;
        }
    }
    for (const auto& field : mFields) {
        if (field->MouseDown(x, y)) {
            mFocus = field.get();
            mHeldField = field.get();
            mDirty = true;
            return;
        }
    }
}

void CrashWindow::MouseUp(int x, int y)
{
    if (mHeldField != nullptr) {
        mHeldField->MouseUp();
        mHeldField = nullptr;
    }
    PushButton* clicked = mHeldButton != nullptr && mHeldButton->Contains(x, y) ? mHeldButton : nullptr;
    mHeldButton = nullptr;
    mHeldInside = false;
    mDirty = true;
    if (clicked != nullptr && mOnClick)
        mOnClick(*clicked);
}

} // namespace CrashCatcher
