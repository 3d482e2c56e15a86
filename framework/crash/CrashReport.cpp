#include "framework/crash/CrashReport.h"

namespace CrashCatcher {

namespace {

struct ExceptionRow {
    uint32_t code;
    const char* name;
};

// Searched first to last; the last row ends the table.
constexpr ExceptionRow kExceptionNames[] = {
    {0x40000005, "Segment Notification"},
    {0x80000003, "Breakpoint"},
    {0x80000004, "Single step"},
    {0x00000000, "Wait 0"},
    {0x00000080, "Abandoned Wait 0"},
    {0x000000C0, "User APC"},
    {0x00000102, "Timeout"},
    {0x00000103, "Pending"},
    {0x80000001, "Guard Page Violation"},
    {0x80000002, "Data Type Misalignment"},
    {0xC0000005, "Access Violation"},
    {0xC0000006, "In Page Error"},
    {0xC0000017, "No Memory"},
    {0xC000001D, "Illegal Instruction"},
    {0xC0000025, "Noncontinuable Exception"},
    {0xC0000026, "Invalid Disposition"},
    {0xC000008C, "Array Bounds Exceeded"},
    {0xC000008D, "Float Denormal Operand"},
    {0xC000008E, "Divide by Zero"},
    {0xC000008F, "Float Inexact Result"},
    {0xC0000090, "Float Invalid Operation"},
    {0xC0000091, "Float Overflow"},
    {0xC0000092, "Float Stack Check"},
    {0xC0000093, "Float Underflow"},
    {0xC0000094, "Integer Divide by Zero"},
    {0xC0000095, "Integer Overflow"},
    {0xC0000096, "Privileged Instruction"},
    {0xC00000FD, "Stack Overflow"},
    {0xC000013A, "Ctrl+C Exit"},
    {0xFFFFFFFF, nullptr},
};

constexpr unsigned kNoSection = 0;
constexpr unsigned kModuleSection = 1;

unsigned SectionOf(std::string_view module)
{
    return module.empty() ? kNoSection : kModuleSection;
}

unsigned long long OffsetIn(std::string_view module, uint64_t offset)
{
    return module.empty() ? 0 : offset;
}

void WriteFrameName(const CrashFrame& frame, Vorn::SafeText& report)
{
    report.Append(frame.symbol);
    report.Format("+%llX", static_cast<unsigned long long>(frame.displacement));
    if (frame.sourceFile.empty())
        return;
    report.Append("\r\n    ");
    report.Append(frame.sourceFile);
    report.Format(" line %d +0x%llX", frame.sourceLine, static_cast<unsigned long long>(frame.sourceDisplacement));
}

void WriteStack(const CrashFacts& facts, Vorn::SafeText& report)
{
    for (const CrashFrame& frame : facts.frames) {
        const auto pc = static_cast<unsigned long long>(frame.pc);
        const auto stack = static_cast<unsigned long long>(frame.frame);
        const unsigned long long offset = OffsetIn(frame.module, frame.moduleOffset);
        const unsigned section = SectionOf(frame.module);
        if (facts.byFramePointers) {
            report.Format("%08llX  %08llX  %04X:%08llX ", pc, stack, section, offset);
            report.Append(frame.module);
            report.Append("\r\n");
            continue;
        }
        report.Format("%08llX %08llX ", stack, pc);
        if (!frame.symbol.empty()) {
            WriteFrameName(frame, report);
        } else {
            report.Format("%04X:%08llX ", section, offset);
            report.Append(frame.module);
        }
        const auto p = [&frame](int i) { return static_cast<unsigned long long>(frame.params[i]); };
        report.Format("\r\nParams: %016llX %016llX %016llX %016llX\r\n\r\n", p(0), p(1), p(2), p(3));
    }
    if (!facts.byFramePointers && facts.walkCutShort)
        report.Format("StackWalk failed (error %d)\r\n", facts.walkError);
}

void WriteRegisters(const Platform::CrashRegisters& r, Vorn::SafeText& report)
{
    if (!r.known)
        return;
    const auto g = [&r](int i) { return static_cast<unsigned long long>(r.general[i]); };
    report.Format("RAX:%016llX RBX:%016llX RCX:%016llX RDX:%016llX\r\n", g(0), g(1), g(2), g(3));
    report.Format("RSI:%016llX RDI:%016llX R8:%016llX R9:%016llX\r\n", g(4), g(5), g(6), g(7));
    report.Format("R10:%016llX R11:%016llX R12:%016llX R13:%016llX\r\n", g(8), g(9), g(10), g(11));
    report.Format("R14:%016llX R15:%016llX\r\n", g(12), g(13));
    report.Format("RIP:%016llX RSP:%016llX  RBP:%016llX\r\n", static_cast<unsigned long long>(r.rip),
                  static_cast<unsigned long long>(r.rsp), static_cast<unsigned long long>(r.rbp));
    report.Format("CS:%04X FS:%04X GS:%04X\r\n", r.cs, r.fs, r.gs);
    report.Format("Flags:%08llX\r\n", static_cast<unsigned long long>(r.flags));
    report.Append("\r\n");
}

} // namespace

const char* ExceptionName(uint32_t code)
{
    for (const ExceptionRow& row : kExceptionNames) {
        if (row.name == nullptr)
            return nullptr;
        if (row.code == code)
            return row.name;
    }
    return nullptr;
}

std::string_view ShortenPath(std::string_view path)
{
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

void WriteCrashReport(const CrashFacts& facts, Vorn::SafeText& report, Vorn::SafeText& title)
{
    const auto address = static_cast<unsigned long long>(facts.address);
    const auto thread = static_cast<unsigned long long>(facts.threadId);
    if (const char* name = ExceptionName(facts.exceptionCode))
        report.Format("Exception: %s (code 0x%x) at address %08llX in thread %llX\r\n", name, facts.exceptionCode,
                      address, thread);
    else
        report.Format("Unknown exception: (code 0x%x) at address %08llX in thread %llX\r\n", facts.exceptionCode,
                      address, thread);

    const unsigned section = SectionOf(facts.module);
    const unsigned long long offset = OffsetIn(facts.module, facts.moduleOffset);
    report.Append("Module: ");
    report.Append(ShortenPath(facts.module));
    report.Append("\r\n");
    report.Format("Logical Address: %04X:%08llX\r\n", section, offset);
    report.Append("\r\n");
    title.Format("Exception at %04X:%08llX", section, offset);

    WriteStack(facts, report);
    report.Append("\r\n");
    WriteRegisters(facts.registers, report);
    report.Append(facts.systemInfo);
}

} // namespace CrashCatcher
