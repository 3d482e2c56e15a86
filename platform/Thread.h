#pragma once
// Threads of the program: how each is started, and priorities in the
// framework's terms (the values it stores and compares): -2 lowest .. 0
// normal .. 2 highest.

#include <functional>
#include <thread>

#include <cstdint>

namespace Platform {

// Every thread the program starts itself starts here: it gets a stack of its
// own for the crash catcher, so that a fault that used up the thread's stack
// (a runaway recursion) is still reported. Threads that libraries start go
// without one. Throws std::system_error when no thread can be started.
std::thread StartThread(std::function<void()> body);

// Gives the calling thread, for the rest of its life, the stack on which
// the crash catcher runs; the main thread asks once at start-up. False
// when the memory cannot be had: the catcher then runs on the thread's own
// stack.
bool GiveThreadCrashStack();

// The system's number of the calling thread, as tools and crash reports
// show it.
uint32_t CurrentThreadId();

inline constexpr int kThreadPriorityLowest = -2;
inline constexpr int kThreadPriorityNormal = 0;
inline constexpr int kThreadPriorityAboveNormal = 1;
inline constexpr int kThreadPriorityHighest = 2;

// The priority last asked for on the calling thread (normal at first). The
// scheduler is asked to follow it; an unprivileged process may be refused a
// raise, which changes only how promptly the thread runs, so it is not an error.
int GetCurrentThreadPriority();
void SetCurrentThreadPriority(int priority);

// What the scheduler holds for the calling thread: the level last asked and
// the thread's real nice value, which someone else (a niced start, the
// desktop) may have set. Restoring puts back exactly that.
struct ThreadPriorityState {
    int level;
    int nice;
};
ThreadPriorityState SaveCurrentThreadPriority();
void RestoreCurrentThreadPriority(const ThreadPriorityState& state);

} // namespace Platform
