#pragma once
// Diagnostics for the developer's eyes: formatted like printf, of any length,
// sent to the debugger output channel.

namespace Vorn {

void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace Vorn
