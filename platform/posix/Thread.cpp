#include "platform/Thread.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform {

namespace {

thread_local int tPriority = kThreadPriorityNormal;

// Room for the catcher's own work: the unwinder, the module lookup and,
// after the report is safe on disk, the application's crash hooks.
constexpr size_t kCrashStackBytes = 256 * 1024;

// The calling thread's alternate signal stack, taken back when the thread
// ends. A stack someone else set up (a sanitizer's) is left as it is: its
// owner frees it.
class CrashStack {
public:
    CrashStack() = default;
    CrashStack(const CrashStack&) = delete;
    CrashStack& operator=(const CrashStack&) = delete;

    ~CrashStack()
    {
        if (mMemory == nullptr)
            return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        munmap(mMemory, mBytes);
    }

    bool Give()
    {
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0)
            return true;
        const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t bytes = kCrashStackBytes + page;
        void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED)
            return false;
        // A catcher that overran its stack faults on the page below instead
        // of writing over whatever lies there.
        mprotect(memory, page, PROT_NONE);
        stack_t stack{};
        stack.ss_sp = static_cast<char*>(memory) + page;
        stack.ss_size = kCrashStackBytes;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, bytes);
            return false;
        }
        mMemory = memory;
        mBytes = bytes;
        return true;
    }

private:
    void* mMemory = nullptr;
    size_t mBytes = 0;
};

thread_local CrashStack tCrashStack;

} // namespace

std::thread StartThread(std::function<void()> body)
{
    return std::thread([body = std::move(body)] {
        GiveThreadCrashStack();
        body();
    });
}

bool GiveThreadCrashStack()
{
    return tCrashStack.Give();
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
