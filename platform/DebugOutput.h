#pragma once
// The debugger output channel: diagnostics a developer may read and a player
// never sees in a window. By default the text goes to standard error.

#include <functional>
#include <string_view>

namespace Platform {

using DebugSink = std::function<void(std::string_view)>;

void WriteDebugOutput(std::string_view text);

// Replaces where debug output goes (tests capture it); an empty sink restores
// standard error. Returns the sink that was in place.
DebugSink SetDebugSink(DebugSink sink);

} // namespace Platform
