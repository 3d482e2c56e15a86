#pragma once
// The system facilities the application core is given rather than reaching
// for itself, so that a test can hand it scripted ones.

#include "platform/Clock.h"

namespace Platform {

struct Services {
    Clock* clock;
};

// The real facilities; they live for the whole process.
Services SystemServices();

} // namespace Platform
