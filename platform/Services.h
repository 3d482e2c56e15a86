#pragma once
// The system facilities the application core is given rather than reaching
// for itself, so that a test can hand it scripted ones.

#include "platform/Clock.h"
#include "platform/SettingsStore.h"

namespace Platform {

struct Services {
    Clock* clock;
    // Null: no value can be read, and every write fails.
    SettingsStore* settings = nullptr;
};

// The real facilities; they live for the whole process. Settings are kept
// per user under UserConfigFolder().
Services SystemServices();

} // namespace Platform
