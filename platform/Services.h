#pragma once
// The system facilities the application core is given rather than reaching
// for itself, so that a test can hand it scripted ones.

#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/Window.h"

#include <functional>
#include <memory>

namespace Platform {

struct Services {
    Clock* clock;
    // Null: no value can be read, and every write fails.
    SettingsStore* settings = nullptr;
    // Makes a window object (not yet created on the desktop). Empty: no
    // window can be made.
    std::function<std::unique_ptr<Window>()> makeWindow = nullptr;
};

// The real facilities; they live for the whole process. Settings are kept
// per user under UserConfigFolder(), and not at all without one; windows are
// the system's.
Services SystemServices();

} // namespace Platform
