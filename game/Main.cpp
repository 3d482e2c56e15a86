#include "framework/crash/CrashCatcher.h"
#include "game/GameApp.h"
#include "game/PhysicsWorld.h"

#include <memory>

int main(int argc, char** argv)
{
    if (CrashCatcher::IsReporterCommandLine(argc, argv))
        return CrashCatcher::RunReporter();
    CrashCatcher::EnableReporter();

    // Outlives the application, and with it every stage's physics.
    const PhysicsWorld physics;
    const auto app = std::make_unique<GameApp>();
    app->SetCommandLine(argc, argv);
    app->Init();
    app->Start();
    // Resources that failed to load were shown in an error box, and the
    // program ended without its stage.
    return app->LoadingFailed() ? Vorn::kFailedExitCode : 0;
}
