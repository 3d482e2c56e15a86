#include "framework/crash/CrashCatcher.h"

namespace Vorn {

std::atomic<VornAppBase*> gCrashHandlerApp{nullptr};

} // namespace Vorn
