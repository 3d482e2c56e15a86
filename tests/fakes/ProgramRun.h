#pragma once
// Runs a program to its end the way a person would from a shell, in a
// folder of the test's own, without a desktop (the harness's dummy video
// and sound drivers), and reads back how it ended.

#include "fakes/TempDir.h"

#include <string>

namespace Testing {

struct ProgramEnd {
    // As the shell tells it: the exit code, or 128 + the signal that ended
    // the program; -1 when it could not be run or did not end in time.
    int status = -1;
    std::string standardError;
};

// `commandLine` is handed to sh as it is, run in `dir` with configuration,
// data and runtime files kept in `dir`/config, `dir`/data and `dir`/runtime.
// The sanitizers leave the faults to the program's own catcher.
ProgramEnd RunProgram(const TempDir& dir, const std::string& commandLine, int seconds);

} // namespace Testing
