#pragma once
// How the crash catcher reaches the application: through a pointer of its
// own, set at the end of the application's constructor and cleared first
// thing in its destructor, so a crash while either runs never reaches a
// half-built or half-destroyed object.

#include <atomic>

namespace Vorn {

class VornAppBase;

// Atomic: a fault may be caught on any thread, in a signal handler.
extern std::atomic<VornAppBase*> gCrashHandlerApp;

} // namespace Vorn
