#include "platform/Thread.h"

#include <algorithm>
#include <cerrno>
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

namespace {

id_t KernelThreadId()
{
    return static_cast<id_t>(syscall(SYS_gettid));
}

} // namespace

void SetCurrentThreadPriority(int priority)
{
    tPriority = priority;
    // Linux schedules threads by their own nice value; 5 nice steps a level.
    const int nice = -5 * std::clamp(priority, kThreadPriorityLowest, kThreadPriorityHighest);
    setpriority(PRIO_PROCESS, KernelThreadId(), nice);
}

uint32_t CurrentThreadId()
{
    return static_cast<uint32_t>(KernelThreadId());
}

ThreadPriorityState SaveCurrentThreadPriority()
{
    // -1 is a nice value too: errno tells a failure, and then the thread
    // keeps whatever it has.
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, KernelThreadId());
    return {tPriority, errno == 0 ? nice : 0};
}

void RestoreCurrentThreadPriority(const ThreadPriorityState& state)
{
    tPriority = state.level;
    setpriority(PRIO_PROCESS, KernelThreadId(), state.nice);
}

} // namespace Platform
