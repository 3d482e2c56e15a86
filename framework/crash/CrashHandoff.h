#pragma once
// What the crashed program hands its reporter over their channel, in two
// parts: first what the signal handler knows by itself (the facts of the
// fault, the system, the application's names and demo), then what the
// application's crash hooks answer, which may never come when a hook
// stalls on a lock the fault holds.
//
// Little-endian numbers; a text is its 32-bit length and its bytes. Each
// part ends with a mark of its own.

#include "framework/app/ByteSink.h"
#include "framework/crash/CrashReport.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace CrashCatcher {

// Writes through a sink without allocating.
class HandoffWriter {
public:
    explicit HandoffWriter(Vorn::ByteSink& sink);
    HandoffWriter(const HandoffWriter&) = delete;
    HandoffWriter& operator=(const HandoffWriter&) = delete;

    // Once false, nothing more is written.
    bool Ok() const { return mOk; }
    // Passes on what is buffered; the end of each part does this.
    void Flush();

    void Number(uint64_t value, int bytes);
    void Text(std::string_view text);

private:
    Vorn::ByteSink& mSink;
    char mBuffer[4096];
    size_t mUsed = 0;
    bool mOk = true;
};

// The first part, as the handler has it.
struct HandoffFirstPart {
    CrashFacts facts;
    bool hasApplication = false;
    std::string_view productName;
    std::string_view productVersion;
    // The application exists and plays no demo.
    bool copyToClipboard = false;
    // A demo being recorded was closed and written to this file.
    bool demoKept = false;
    std::string_view demoFileName;
    std::string_view uploadAddress;
};

void WriteFirstPart(HandoffWriter& writer, const HandoffFirstPart& part);
void WriteApplicationPart(HandoffWriter& writer, std::string_view crashInfo, std::string_view attachmentName,
                          const std::map<std::string, std::string>& uploadFields);

// The reporter's copy.
struct CrashHandoff {
    struct Frame {
        uint64_t frame = 0;
        uint64_t pc = 0;
        std::string module;
        uint64_t moduleOffset = 0;
        std::string symbol;
        uint64_t displacement = 0;
        uint64_t params[Platform::kFrameParams] = {};
        // Looked up by the reporter; never handed over.
        std::string sourceFile;
        int sourceLine = 0;
        uint64_t sourceDisplacement = 0;
    };

    uint32_t exceptionCode = 0;
    uint64_t address = 0;
    uint64_t threadId = 0;
    std::string module;
    uint64_t moduleOffset = 0;
    Platform::CrashRegisters registers;
    std::vector<Frame> frames;
    bool byFramePointers = false;
    bool walkCutShort = false;
    int walkError = 0;
    std::string systemInfo;

    bool hasApplication = false;
    std::string productName;
    std::string productVersion;
    bool copyToClipboard = false;
    bool demoKept = false;
    std::string demoFileName;
    std::string uploadAddress;

    // The second part arrived.
    bool applicationAnswered = false;
    std::string crashInfo;
    std::string attachmentName;
    std::map<std::string, std::string> uploadFields;

    // Views into this object: it must outlive them and stay unchanged. The
    // clipboard's copy of a report is written without the source lines.
    std::vector<CrashFrame> FrameViews(bool withSourceLines = true) const;
    CrashFacts Facts(const std::vector<CrashFrame>& frameViews) const;
};

enum class HandoffState {
    // The first part has not arrived whole yet.
    Incomplete,
    FirstPart,
    Whole,
    // Not a handoff: a length or a mark is wrong.
    Invalid,
};

// Reads what arrived so far; `handoff` takes what the state says arrived.
HandoffState ParseHandoff(std::string_view bytes, CrashHandoff& handoff);

} // namespace CrashCatcher
