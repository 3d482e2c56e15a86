#pragma once
// Starting another program beside ours, the way the desktop opens a web
// page: the program is looked up on the search path and receives its
// arguments exactly as given, with no shell between to read them.

#include <string>
#include <vector>

namespace Platform {

// Returns as soon as the program runs, without waiting for it to end; false
// when it could not be started (not found, not executable, no resources).
// The finished program is reaped in the background. It starts with default
// signal handling and an empty signal mask whatever ours are, and inherits
// no descriptor of ours opened close-on-exec.
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments);

} // namespace Platform
