#pragma once
// What a crash report says about the system the program ran on.

#include <string>

namespace Platform {

// The kernel: its name, release, build and machine, as "Linux 6.1.0-18-amd64
// #1 SMP ... x86_64".
std::string OperatingSystemVersion();

// The library that stands in for the desktop's display and sound, as
// "SDL 2.26.5": the version the program runs with, not the one it was built
// against.
std::string MediaLibraryVersion();

} // namespace Platform
