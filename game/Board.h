#pragma once
// The play field over the whole window. Until play is built here it shows
// the first track over its floor, and a mouse click or a key leaves it for
// the title screen.

#include "framework/widgets/Widget.h"

class GameApp;

class Board : public Vorn::Widget {
public:
    // Difficulty 1 easy, 2 normal, 3 hard, 8 to continue the autosave.
    Board(GameApp* app, int difficulty);

    // Nothing when there is no autosave.
    static void DeleteAutosave();

    void Draw(Vorn::Graphics* g) override;
    void KeyUp(int keyCode) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;

    // Leaves the widget tree, queued for deletion, and brings the title back.
    void ReturnToMenu();

    GameApp* mApp;
    int mDifficulty;
};
