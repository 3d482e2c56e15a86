#include "platform/DebugOutput.h"

#include <cstdio>
#include <mutex>

namespace Platform {

namespace {
std::mutex gSinkMutex;
DebugSink gSink;
}

void WriteDebugOutput(std::string_view text)
{
    std::lock_guard lock(gSinkMutex);
    if (gSink) {
        gSink(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
}

DebugSink SetDebugSink(DebugSink sink)
{
    std::lock_guard lock(gSinkMutex);
    DebugSink previous = std::move(gSink);
    gSink = std::move(sink);
    return previous;
}

} // namespace Platform
