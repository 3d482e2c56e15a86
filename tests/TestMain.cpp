// The main of every test binary: GoogleTest's, with the fatal-exit hook of
// fakes/FatalExit.h installed.

#include "fakes/FatalExit.h"

#include <gtest/gtest.h>

namespace {

[[noreturn]] void FailTheTest(int code)
{
    ADD_FAILURE() << "the program took a fatal exit with code " << code;
    throw Testing::FatalExit{code};
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    Vorn::SetExitProgramHook(FailTheTest);
    return RUN_ALL_TESTS();
}
