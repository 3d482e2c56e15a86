#include "platform/Thread.h"

#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform {

namespace {
thread_local int tPriority = kThreadPriorityNormal;
}

int GetCurrentThreadPriority()
{
    return tPriority;
}

void SetCurrentThreadPriority(int priority)
{
    tPriority = priority;
    // Linux schedules threads by their own nice value; 5 nice steps a level.
    const int nice = -5 * std::clamp(priority, kThreadPriorityLowest, kThreadPriorityHighest);
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, tid, nice);
}

} // namespace Platform
