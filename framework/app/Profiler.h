#pragma once
// A developer's profiling run, measured in processor cycles. Marking a section
// only appends a raw counter reading; all bookkeeping waits for Stop, and the
// cycles it costs are taken out of the run's total.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Vorn {

// Where the processor speed is measured from: the performance counter, its
// frequency (0 or less when it cannot be read) and the cycle counter.
struct CPUSpeedSources {
    std::function<int64_t()> counter;
    std::function<int64_t()> frequency;
    std::function<uint64_t()> cycles;
};

CPUSpeedSources SystemCPUSpeedSources();

// Cycles per second over a 10 ms busy wait at highest thread priority; 0 when
// it cannot be measured. The caller's priority is restored on every path.
uint64_t MeasureCPUSpeed(const CPUSpeedSources& sources);

// The speed held in `cache`, measured into it on first use; at least 1, so
// that it can always divide.
uint64_t GetCPUSpeed(std::atomic<uint64_t>& cache, const CPUSpeedSources& sources);

// The process's processor speed, measured once.
uint64_t GetCPUSpeed();

struct ProfileEvent {
    const char* name;
    uint64_t cycles;
    bool begin;
};

struct ProfileRecord {
    const char* name = nullptr;
    uint64_t startCycles = 0;
    uint64_t totalCycles = 0;
    double totalMilliseconds = 0.0;
    // Cycles during a run, milliseconds after its stop.
    double longest = 0.0;
    int32_t depth = 0;
    int32_t calls = 0;
};

// What a profiler reads its time from; the speed is never 0.
struct ProfilerSources {
    std::function<uint64_t()> cycles;
    std::function<uint64_t()> speed;
};

ProfilerSources SystemProfilerSources();

class Profiler {
public:
    explicit Profiler(ProfilerSources sources = SystemProfilerSources());
    Profiler(const Profiler&) = delete;
    Profiler& operator=(const Profiler&) = delete;

    // Forgets the last run's records and starts a new run.
    void Start();
    // Ends the run and converts its results to milliseconds; nothing when not
    // running.
    void Stop();
    bool IsRunning() const { return mRunning; }
    std::string GetSummary() const;

    // Section marks are kept only while running. The name must outlive the
    // run; names differing only in case are one section.
    void BeginSection(const char* name) { Mark(name, true); }
    void EndSection(const char* name) { Mark(name, false); }

private:
    struct NameLess {
        bool operator()(const char* a, const char* b) const;
    };

    void Mark(const char* name, bool begin);
    void ProcessEvents();
    void Apply(const ProfileEvent& event);

    ProfilerSources mSources;
    bool mRunning = false;
    uint64_t mStartCycles = 0;
    uint64_t mOverheadCycles = 0;
    double mTotalTime = 0.0;
    std::vector<ProfileEvent> mEvents;
    std::map<const char*, ProfileRecord, NameLess> mRecords;
};

// The process's one profiler, usable from any static initialiser.
Profiler& TheProfiler();

} // namespace Vorn
