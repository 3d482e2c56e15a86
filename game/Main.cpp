#include "game/GameApp.h"

#include <memory>

int main(int argc, char** argv)
{
    const auto app = std::make_unique<GameApp>();
    app->SetCommandLine(argc, argv);
    app->Init();
    app->Start();
    return 0;
}
