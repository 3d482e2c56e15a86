#pragma once
// The help screen: one picture explaining the game over the first track,
// laid over whatever is on screen. It takes the keyboard focus while open
// and closes on any mouse-button or key release, giving the focus back. Its
// opener adds it to the widget tree; it deletes itself when it closes.

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/Widget.h"

#include <memory>

class GameApp;

namespace Vorn {
class HyperlinkWidget;
} // namespace Vorn

class TutorialScreen : public Vorn::Widget, public Vorn::ButtonListener {
public:
    TutorialScreen();
    ~TutorialScreen() override;

    // The return link, kept hidden like the high-score screen's.
    void CreateReturnButton();

    void OnAttached(Vorn::WidgetManager* manager) override;
    void OnDetached(Vorn::WidgetManager* manager) override;
    void Update() override;
    void Draw(Vorn::Graphics* g) override;
    void KeyUp(int keyCode) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    // Any id closes the screen.
    void ButtonDepress(int id) override;

    GameApp* mApp;
    // Null once handed over for deletion.
    std::unique_ptr<Vorn::HyperlinkWidget> mReturnButton;
    // Not owned; may be null.
    Vorn::Widget* mPreviousFocus = nullptr;
};
