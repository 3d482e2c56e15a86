#pragma once
// The framework's lock. Re-entrant: the thread holding it may enter again and
// must leave as often. lock()/unlock()/try_lock() let the standard guards use
// it too.

#include <mutex>

namespace Vorn {

class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter();
    void Leave();

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock();

private:
    std::recursive_mutex mMutex;
};

// Holds a section for the life of a scope, so every return path leaves it.
class AutoCrit {
public:
    explicit AutoCrit(CriticalSection& section);
    ~AutoCrit();
    AutoCrit(const AutoCrit&) = delete;
    AutoCrit& operator=(const AutoCrit&) = delete;

private:
    CriticalSection& mSection;
};

} // namespace Vorn
