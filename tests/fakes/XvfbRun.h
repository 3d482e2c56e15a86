#pragma once
// Runs a shell script under a virtual X server of its own, the way a person
// would try a program on a desktop, and reads back the screenshots the test
// tool `xprobe` takes there.

#include "fakes/TempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Testing {

// A binary PPM screenshot; empty when the file is missing or malformed.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    // 0xRRGGBB of the pixel at (x, y), inside the picture.
    uint32_t At(int x, int y) const;
};

Screenshot ReadScreenshot(const std::string& path);

std::string ReadTextFile(const std::string& path);

// xvfb-run is installed.
bool HasXvfb();

// Runs `script` with sh in `dir` under a fresh X server whose screen is
// `screen` (width x height x depth); true when it ended within `seconds` with
// exit code 0. The script's programs find
// the desktop's video driver (the harness's dummy one is taken away), keep
// their leak reports to themselves (the desktop's libraries hold theirs to
// the end), and keep configuration, data and runtime files in `dir`/config,
// `dir`/data and `dir`/runtime.
bool RunUnderXvfb(const TempDir& dir, const std::string& script, int seconds,
                  const std::string& screen = "1024x768x24");

} // namespace Testing
