#pragma once
// The game's application object: its identity and its settings over the
// framework's defaults, and the switch back from a running board.

#include "framework/app/VornAppBase.h"

#include <string>

// The save folder under the application-data folder, and the autosave in it.
inline constexpr const char* kSaveFolderName = "Save\\";
inline constexpr const char* kAutosaveFileName = "autosave";

// The autosave file in the application-data folder.
std::string AutosavePath();

class GameApp : public Vorn::VornAppBase {
public:
    explicit GameApp(Platform::Services services = Platform::SystemServices());

    // The board has already left the widget tree and is queued for deletion.
    void ReturnToTitle(bool lost);
};

// The one game application while it exists.
extern GameApp* gGameApp;
