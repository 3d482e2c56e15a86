// The main of every test binary: GoogleTest's, with the fatal-exit hook of
// fakes/FatalExit.h installed, and SDL's headless drivers unless the one who
// runs the tests chose others: no test needs a screen or a sound card of the
// machine (the ones under a virtual X server give their programs its display).

#include "fakes/FatalExit.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

[[noreturn]] void FailTheTest(int code)
{
    ADD_FAILURE() << "the program took a fatal exit with code " << code;
    throw Testing::FatalExit{code};
}

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    testing::InitGoogleTest(&argc, argv);
    // A death test's child starts afresh rather than as a fork of a process
    // whose other threads (a loading thread, an audio thread) may hold locks.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Vorn::SetExitProgramHook(FailTheTest);
    return RUN_ALL_TESTS();
}
