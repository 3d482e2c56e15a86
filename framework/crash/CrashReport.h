#pragma once
// The crash report's text, from its exception line to the lines about the
// system, and its title. Written without allocating, so that the signal
// handler writes the first report with the same code as the reporter writes
// the final one, whose symbol names are demangled.
//
// An address in a module is written as a logical address "0001:0001A2B3":
// section 1 and the offset from the module's load address, which is what
// the tools that read the program's symbols take.

#include "framework/crash/SafeText.h"
#include "platform/CrashSignals.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace CrashCatcher {

struct CrashFrame {
    uint64_t frame = 0;
    uint64_t pc = 0;
    // The path of the module holding pc; empty when none does.
    std::string_view module;
    uint64_t moduleOffset = 0;
    // The symbol around pc; empty when there is none.
    std::string_view symbol;
    uint64_t displacement = 0;
    // The words the frame's line is followed by (the unwinder's walk only).
    uint64_t params[Platform::kFrameParams] = {};
    // The source line of pc, shown under a named frame; empty when unknown.
    std::string_view sourceFile;
    int sourceLine = 0;
    // From the first instruction of that line to pc.
    uint64_t sourceDisplacement = 0;
};

struct CrashFacts {
    uint32_t exceptionCode = 0;
    uint64_t address = 0;
    uint64_t threadId = 0;
    // The module holding the failing instruction; empty when none does.
    std::string_view module;
    uint64_t moduleOffset = 0;
    Platform::CrashRegisters registers;
    std::span<const CrashFrame> frames;
    // The frames came from the saved frame pointers, not the unwind tables.
    bool byFramePointers = false;
    // The unwinder's walk ended early, with this reason code.
    bool walkCutShort = false;
    int walkError = 0;
    // Lines about the system, each ended by "\r\n".
    std::string_view systemInfo;
};

// The name the exception code has in the table, null when it has none.
const char* ExceptionName(uint32_t code);

// What follows the last '\\' or '/'; the whole path when there is neither.
std::string_view ShortenPath(std::string_view path);

// Appends the report, every line ended by "\r\n", and sets the title
// "Exception at 0001:0001A2B3". A frame of the unwinder's walk is its line
// (with the source line under it when known), "Params:" and its four words as
// 64-bit numbers, and a blank line; a walk cut short ends with "StackWalk
// failed (error N)". A frame of the frame pointers' walk is one line.
void WriteCrashReport(const CrashFacts& facts, Vorn::SafeText& report, Vorn::SafeText& title);

} // namespace CrashCatcher
