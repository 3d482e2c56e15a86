#pragma once
// A message dialog's button: a push button that may be drawn from a
// component image as a resizable box (the whole picture, or cells of it for
// its states), with its label moving while pressed.

#include "framework/widgets/ButtonWidget.h"

namespace Vorn {

class DialogButton : public ButtonWidget {
public:
    DialogButton(int id, ButtonListener* listener);

    // Without a component image the plain button's look.
    void Draw(Graphics* g) override;

    // Not owned.
    Image* mComponentImage = nullptr;
    // How far the button (or, drawn from cells, its label) moves while
    // pressed.
    int mTranslateX = 1;
    int mTranslateY = 1;
    int mTextOffsetX = 0;
    int mTextOffsetY = 0;
};

} // namespace Vorn
