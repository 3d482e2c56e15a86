#include "framework/app/Profiler.h"

#include "framework/app/StringUtils.h"
#include "platform/Clock.h"
#include "platform/Thread.h"


namespace Vorn {

namespace {

std::atomic<uint64_t> gCPUSpeed{0};

// Cycle readings may come from different cores or a counter that was reset:
// an interval that runs backwards counts as none rather than wrapping.
uint64_t CyclesBetween(uint64_t from, uint64_t to)
{
    return to > from ? to - from : 0;
}

double ToMilliseconds(double cycles, uint64_t speed)
{
    return cycles * 1000.0 / static_cast<double>(speed);
}

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Puts back the thread's real priority, not a level: a program started
// niced stays as niced as it was.
class PriorityRaise {
public:
    PriorityRaise() : mSaved(Platform::SaveCurrentThreadPriority())
    {
        Platform::SetCurrentThreadPriority(Platform::kThreadPriorityHighest);
    }
    ~PriorityRaise() { Platform::RestoreCurrentThreadPriority(mSaved); }
    PriorityRaise(const PriorityRaise&) = delete;
    PriorityRaise& operator=(const PriorityRaise&) = delete;

private:
    Platform::ThreadPriorityState mSaved;
};

} // namespace

CPUSpeedSources SystemCPUSpeedSources()
{
    return {Platform::PerformanceCounter, Platform::PerformanceFrequency, Platform::TimeStampCounter};
}

uint64_t MeasureCPUSpeed(const CPUSpeedSources& sources)
{
    const PriorityRaise raise;
    const int64_t frequency = sources.frequency();
    if (frequency <= 0)
        return 0;
    const int64_t target = sources.counter() + frequency / 100;
    const uint64_t first = sources.cycles();
    while (sources.counter() < target) {
    }
    const uint64_t last = sources.cycles();
    return CyclesBetween(first, last) * 100;
}

uint64_t GetCPUSpeed(std::atomic<uint64_t>& cache, const CPUSpeedSources& sources)
{
    const uint64_t cached = cache.load(std::memory_order_relaxed);
    if (cached > 0)
        return cached;
    uint64_t speed = MeasureCPUSpeed(sources);
    if (speed == 0)
        speed = 1;
    cache.store(speed, std::memory_order_relaxed);
    return speed;
}

uint64_t GetCPUSpeed()
{
    return GetCPUSpeed(gCPUSpeed, SystemCPUSpeedSources());
}

ProfilerSources SystemProfilerSources()
{
    return {Platform::TimeStampCounter, [] { return GetCPUSpeed(); }};
}

Profiler::Profiler(ProfilerSources sources) : mSources(std::move(sources)) {}

bool Profiler::NameLess::operator()(const char* a, const char* b) const
{
    for (;; ++a, ++b) {
        const auto x = static_cast<unsigned char>(FoldCase(*a));
        const auto y = static_cast<unsigned char>(FoldCase(*b));
        if (x != y || x == 0)
            return x < y;
    }
}

void Profiler::Start()
{
    mRecords.clear();
    mEvents.clear();
    mOverheadCycles = 0;
    mRunning = true;
    mStartCycles = mSources.cycles();
}

void Profiler::Stop()
{
    // A second stop would convert the longest times to milliseconds again.
    if (!mRunning)
        return;
    const uint64_t now = mSources.cycles();
    ProcessEvents();
    mRunning = false;

    const uint64_t speed = mSources.speed();
    const uint64_t elapsed = CyclesBetween(mStartCycles, now);
    mTotalTime = ToMilliseconds(static_cast<double>(CyclesBetween(mOverheadCycles, elapsed)), speed);
    for (auto& [name, record] : mRecords) {
        record.totalMilliseconds = ToMilliseconds(static_cast<double>(record.totalCycles), speed);
        record.longest = ToMilliseconds(record.longest, speed);
    }
}

std::string Profiler::GetSummary() const
{
    std::string text = FormatString("Total Time: %.2f\n", mTotalTime);
    for (const auto& [name, record] : mRecords) {
        const double share = mTotalTime > 0.0 ? record.totalMilliseconds / mTotalTime * 100.0 : 0.0;
        text += FormatString("%s (%d calls, %%%.2f time): %.2f (%.2f avg, %.2f longest)\n", name, record.calls,
            share, record.totalMilliseconds, record.totalMilliseconds / record.calls, record.longest);
    }
    return text;
}

void Profiler::Mark(const char* name, bool begin)
{
    if (mRunning && name != nullptr)
        mEvents.push_back({name, mSources.cycles(), begin});
}

void Profiler::ProcessEvents()
{
    const uint64_t first = mSources.cycles();
    for (const ProfileEvent& event : mEvents)
        Apply(event);
    // clear() keeps the capacity: the next run appends without allocating.
    mEvents.clear();
    mOverheadCycles += CyclesBetween(first, mSources.cycles());
}

void Profiler::Apply(const ProfileEvent& event)
{
    if (event.begin) {
        auto [it, added] = mRecords.try_emplace(event.name);
        ProfileRecord& record = it->second;
        if (added)
            record.name = event.name;
        ++record.calls;
        if (++record.depth == 1)
            record.startCycles = event.cycles;
        return;
    }
    const auto it = mRecords.find(event.name);
    if (it == mRecords.end())
        return;
    ProfileRecord& record = it->second;
    if (--record.depth != 0)
        return;
    const uint64_t cycles = CyclesBetween(record.startCycles, event.cycles);
    record.totalCycles += cycles;
    if (static_cast<double>(cycles) > record.longest)
        record.longest = static_cast<double>(cycles);
}

Profiler& TheProfiler()
{
    static Profiler profiler;
    return profiler;
}

} // namespace Vorn
