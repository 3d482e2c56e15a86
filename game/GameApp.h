#pragma once
// The game's application object: its identity and its settings over the
// framework's defaults.

#include "framework/app/VornAppBase.h"

class GameApp : public Vorn::VornAppBase {
public:
    GameApp();
};
