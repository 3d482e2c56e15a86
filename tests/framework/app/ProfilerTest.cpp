#include "framework/app/Profiler.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace {

struct Mark {
    uint64_t at;
    const char* name;
    bool begin;
};

struct RunCase {
    const char* name;
    // Cycle readings of the run, a cycle a millisecond. `script` replaces the
    // first readings (start, stop, processing begin and end) where given.
    uint64_t start;
    std::vector<Mark> marks;
    uint64_t stop;
    std::vector<uint64_t> script;
    const char* summary;
};

class ProfilerRun : public testing::TestWithParam<RunCase> {};

TEST_P(ProfilerRun, SummaryShowsTheRunInMilliseconds)
{
    const std::vector<uint64_t>& script = GetParam().script;
    uint64_t now = GetParam().start;
    size_t next = 0;
    Vorn::Profiler profiler(
        {[&] { return next < script.size() ? script[next++] : now; }, [] { return uint64_t{1000}; }});
    profiler.Start();
    for (const Mark& mark : GetParam().marks) {
        now = mark.at;
        mark.begin ? profiler.BeginSection(mark.name) : profiler.EndSection(mark.name);
    }
    now = GetParam().stop;
    profiler.Stop();
    EXPECT_EQ(profiler.GetSummary(), GetParam().summary);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProfilerRun,
    testing::Values(RunCase{"SectionsInNameOrderIgnoringCase", 0,
            {{100, "beta", true}, {300, "beta", false}, {300, "Alpha", true}, {350, "Alpha", false},
                {400, "Alpha", true}, {500, "Alpha", false}, {600, "Gamma", true}, {1000, "Gamma", false}},
            1000, {},
            "Total Time: 1000.00\n"
            "Alpha (2 calls, %15.00 time): 150.00 (75.00 avg, 100.00 longest)\n"
            "beta (1 calls, %20.00 time): 200.00 (200.00 avg, 200.00 longest)\n"
            "Gamma (1 calls, %40.00 time): 400.00 (400.00 avg, 400.00 longest)\n"},
        RunCase{"NestedBeginsOnlyOuterPairAddsTime", 0,
            {{100, "Draw", true}, {200, "DRAW", true}, {300, "draw", false}, {700, "Draw", false}}, 1000, {},
            "Total Time: 1000.00\nDraw (2 calls, %60.00 time): 600.00 (300.00 avg, 600.00 longest)\n"},
        RunCase{"UnmatchedEndsAndNullNamesIgnored", 0,
            {{100, "never begun", false}, {200, nullptr, true}, {300, nullptr, false}}, 1000, {},
            "Total Time: 1000.00\n"},
        // The extra end takes the depth to -1, so the next pair only returns it there.
        RunCase{"ExtraEndDrivesDepthBelowZero", 0,
            {{100, "A", true}, {200, "A", false}, {300, "A", false}, {400, "A", true}, {900, "A", false}}, 1000,
            {}, "Total Time: 1000.00\nA (2 calls, %10.00 time): 100.00 (50.00 avg, 100.00 longest)\n"},
        RunCase{"BackwardCyclesCountAsNoTime", 5000, {{5000, "S", true}, {4000, "S", false}}, 1000, {},
            "Total Time: 0.00\nS (1 calls, %0.00 time): 0.00 (0.00 avg, 0.00 longest)\n"},
        RunCase{"ProcessingCyclesTakenOut", 0, {}, 0, {1000, 5000, 5000, 5600}, "Total Time: 3400.00\n"},
        RunCase{"ProcessingLongerThanTheRun", 0, {}, 0, {1000, 1100, 1100, 5000}, "Total Time: 0.00\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A thread started niced (here at 7) is as niced after the measurement as
// before, whatever level it last asked for.
TEST(MeasureCPUSpeed, LeavesTheThreadsRealPriorityAsItWas)
{
    int after = -100;
    std::thread([&after] {
        const auto tid = static_cast<id_t>(syscall(SYS_gettid));
        ASSERT_EQ(setpriority(PRIO_PROCESS, tid, 7), 0);
        int64_t now = 0;
        uint64_t cycles = 0;
        Vorn::MeasureCPUSpeed({[&now] { return now += 1000; }, [] { return int64_t{100000}; },
                               [&cycles] { return cycles += 5000; }});
        after = getpriority(PRIO_PROCESS, tid);
    }).join();
    EXPECT_EQ(after, 7);
}

} // namespace
