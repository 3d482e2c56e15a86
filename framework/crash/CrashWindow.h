#pragma once
// One crash window: a framed system window holding text fields and push
// buttons, drawn in software and presented whole after every change. The
// window routes the mouse and keys to its controls itself; what it cannot
// handle (a button's click, a close request, a timer) goes to its owner.

#include "framework/crash/CrashControls.h"
#include "framework/graphics/MemoryImage.h"
#include "platform/Window.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace CrashCatcher {

class CrashWindow {
public:
    // A button clicked (pressed and released over it while enabled).
    using ClickHandler = std::function<void(const PushButton& button)>;
    // WM_CLOSE and WM_TIMER.
    using MessageHandler = std::function<void(const Platform::MessageRecord& message)>;

    // Creates the system window hidden, with the client area at `position`;
    // Created() tells whether that worked.
    CrashWindow(std::unique_ptr<Platform::Window> window, const std::string& title, int clientWidth,
                int clientHeight, Platform::Point position);
    CrashWindow(const CrashWindow&) = delete;
    CrashWindow& operator=(const CrashWindow&) = delete;

    bool Created() const { return mWindow->IsCreated(); }
    Platform::Window& System() { return *mWindow; }

    void OnClick(ClickHandler handler) { mOnClick = std::move(handler); }
    void OnMessage(MessageHandler handler) { mOnMessage = std::move(handler); }

    TextField& AddField(const Vorn::Rect& bounds, const TextField::Style& style, Vorn::Font* font,
                        const std::string& text);
    PushButton& AddButton(const Vorn::Rect& bounds, const std::string& label, Vorn::Font* font, bool enabled);
    // The field that takes the keys.
    void Focus(TextField& field);

    void Show();
    void Hide();
    bool Visible() const { return mVisible; }
    // Something changed: the next Refresh draws and presents.
    void Invalidate() { mDirty = true; }
    // Draws and presents when something changed since the last time;
    // presents the last frame again when it has stood for a while.
    void Refresh();

private:
    void Procedure(const Platform::MessageRecord& message);
    bool AnyFieldAt(int x, int y) const;
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);
    void Draw();

    std::unique_ptr<Platform::Window> mWindow;
    Vorn::MemoryImage mCanvas;
    std::vector<std::unique_ptr<TextField>> mFields;
    std::vector<std::unique_ptr<PushButton>> mButtons;
    TextField* mFocus = nullptr;
    // The field being scrolled with the mouse held, and the button held.
    TextField* mHeldField = nullptr;
    PushButton* mHeldButton = nullptr;
    bool mHeldInside = false;
    ClickHandler mOnClick;
    MessageHandler mOnMessage;
    bool mVisible = false;
    bool mDirty = true;
    std::chrono::steady_clock::time_point mLastPresent;
};

} // namespace CrashCatcher
