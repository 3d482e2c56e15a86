#pragma once
// Every test binary's main installs a fatal-exit hook: a test that reaches
// ExitProgram fails there (the exit is thrown as a FatalExit, which no code
// of the program catches) instead of ending its process with the fatal
// path's code, which the test runner would count as a pass. A test that
// means to reach a fatal path, inside a death test's child, allows it for a
// scope; the child's temporary folders go with it.

#include "fakes/TempDir.h"
#include "framework/app/VornAppBase.h"

#include <gtest/gtest.h>

namespace Testing {

struct FatalExit {
    int code;
};

class AllowFatalExit {
public:
    AllowFatalExit() : mHook(Vorn::SetExitProgramHook(RemoveTempDirs)) {}
    ~AllowFatalExit() { Vorn::SetExitProgramHook(mHook); }
    AllowFatalExit(const AllowFatalExit&) = delete;
    AllowFatalExit& operator=(const AllowFatalExit&) = delete;

private:
    // Returns, and the exit goes on.
    static void RemoveTempDirs(int) { TempDir::RemoveThoseOfThisProcess(); }

    Vorn::ExitProgramHook mHook;
};

// For a fatal path that must be taken beside state of the test's own process
// (a first instance it started, with its threads): the exit unwinds as a
// FatalExit instead of ending a forked child. Only for paths that hold
// nothing that unwinding would leave half done.
class ThrowOnFatalExit {
public:
    ThrowOnFatalExit() : mHook(Vorn::SetExitProgramHook(Throw)) {}
    ~ThrowOnFatalExit() { Vorn::SetExitProgramHook(mHook); }
    ThrowOnFatalExit(const ThrowOnFatalExit&) = delete;
    ThrowOnFatalExit& operator=(const ThrowOnFatalExit&) = delete;

private:
    [[noreturn]] static void Throw(int code) { throw FatalExit{code}; }

    Vorn::ExitProgramHook mHook;
};

} // namespace Testing

// The statement ends the program through ExitProgram with the code, and its
// output matches the pattern.
#define EXPECT_FATAL_EXIT(statement, code, pattern)                                                                    \
    EXPECT_EXIT(                                                                                                       \
        {                                                                                                              \
            const Testing::AllowFatalExit allowed;                                                                     \
            statement;                                                                                                 \
        },                                                                                                             \
        ::testing::ExitedWithCode(code), pattern)

// The statement ends the program through ExitProgram with the code, in this
// process (see ThrowOnFatalExit).
#define EXPECT_FATAL_EXIT_IN_PROCESS(statement, expectedCode)                                                         \
    do {                                                                                                               \
        const Testing::ThrowOnFatalExit thrown;                                                                        \
        try {                                                                                                          \
            statement;                                                                                                 \
            ADD_FAILURE() << "no fatal exit";                                                                          \
        } catch (const Testing::FatalExit& exit) {                                                                     \
            EXPECT_EQ(exit.code, expectedCode);                                                                        \
        }                                                                                                              \
    } while (false)
