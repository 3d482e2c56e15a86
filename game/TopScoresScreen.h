#pragma once
// The high-score screen over the whole window, laid over the title screen.
// For now it shows the scores' background without the table, and a click
// leaves it. Its opener adds it to the widget tree; it deletes itself when
// it closes.

#include "framework/widgets/Widget.h"

class GameApp;

class TopScoresScreen : public Vorn::Widget {
public:
    TopScoresScreen();

    // The return link and the name entry come with the hyperlink and edit
    // controls; until then there are none to make.
    void CreateWidgets();

    void Draw(Vorn::Graphics* g) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;

    GameApp* mApp;
};
