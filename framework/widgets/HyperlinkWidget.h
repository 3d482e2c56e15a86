#pragma once
// A button that looks like a text link: its label centred and underlined, in
// one colour normally and another while hovered, with the hand cursor. It
// reports to its ButtonListener like any button.

#include "framework/graphics/Color.h"
#include "framework/widgets/ButtonWidget.h"

namespace Vorn {

class HyperlinkWidget : public ButtonWidget {
public:
    HyperlinkWidget(int id, ButtonListener* listener);

    void Draw(Graphics* g) override;
    // The whole area is redrawn: the text changes colour.
    void MouseEnter() override;
    void MouseLeave() override;

    Color mColor{255, 255, 255};
    Color mOverColor{255, 255, 255};
    // One-pixel lines, starting this far below the baseline.
    int mUnderlineSize = 1;
    int mUnderlineOffset = 3;
};

} // namespace Vorn
