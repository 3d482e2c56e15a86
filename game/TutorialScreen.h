#pragma once
// The help screen: one picture explaining the game over the first track,
// laid over whatever is on screen. It takes the keyboard focus while open
// and closes on any mouse-button or key release, giving the focus back. Its
// opener adds it to the widget tree; it deletes itself when it closes.
// Without its return link for now.

#include "framework/widgets/Widget.h"

class GameApp;

class TutorialScreen : public Vorn::Widget {
public:
    TutorialScreen();

    // The return link comes with the hyperlink control; until then there is
    // none to make.
    void CreateReturnButton();

    void OnAttached(Vorn::WidgetManager* manager) override;
    void Draw(Vorn::Graphics* g) override;
    void KeyUp(int keyCode) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;

    void Close();

    GameApp* mApp;
    // Not owned; may be null.
    Vorn::Widget* mPreviousFocus = nullptr;
};
