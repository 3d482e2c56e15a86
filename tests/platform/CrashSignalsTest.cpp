#include "platform/CrashSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

using Platform::ExceptionCodeOf;

TEST(CrashSignals, EachSignalAndItsCauseHaveTheirExceptionCode)
{
    struct Row {
        int signal;
        int code;
        uint32_t exception;
    };
    const Row rows[] = {
        {SIGSEGV, SEGV_MAPERR, 0xC0000005}, {SIGSEGV, SEGV_ACCERR, 0xC0000005},
        {SIGBUS, BUS_ADRALN, 0x80000002},   {SIGBUS, BUS_ADRERR, 0xC0000006}, {SIGBUS, BUS_OBJERR, 0xC0000006},
        {SIGILL, ILL_ILLOPC, 0xC000001D},   {SIGILL, ILL_PRVOPC, 0xC0000096}, {SIGILL, ILL_PRVREG, 0xC0000096},
        {SIGILL, ILL_BADSTK, 0xC000001D},   {SIGFPE, FPE_INTDIV, 0xC0000094}, {SIGFPE, FPE_INTOVF, 0xC0000095},
        {SIGFPE, FPE_FLTDIV, 0xC000008E},   {SIGFPE, FPE_FLTOVF, 0xC0000091}, {SIGFPE, FPE_FLTUND, 0xC0000093},
        {SIGFPE, FPE_FLTRES, 0xC000008F},   {SIGFPE, FPE_FLTINV, 0xC0000090}, {SIGFPE, FPE_FLTSUB, 0xC000008C},
        {SIGFPE, SI_USER, 0xC0000090},      {SIGABRT, SI_TKILL, 0x40000015},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ExceptionCodeOf(row.signal, row.code, 0, 0x7FFF0000, false), row.exception)
            << row.signal << " " << row.code;
    EXPECT_EQ(ExceptionCodeOf(SIGABRT, SI_TKILL, 0, 0x7FFF0000, true), 0xE06D7363u);
    EXPECT_EQ(ExceptionCodeOf(SIGSEGV, SEGV_MAPERR, 0, 0x7FFF0000, true), 0xC0000005u);
}

TEST(CrashSignals, AnAccessAtTheStackPointerIsAStackOverflow)
{
    const uintptr_t sp = 0x7FFF0000;
    const uintptr_t rows[][2] = {
        {sp - 8, 0xC00000FD},     {sp, 0xC00000FD},          {sp - 4096, 0xC00000FD}, {sp - 4097, 0xC0000005},
        {sp + 65535, 0xC00000FD}, {sp + 65536, 0xC0000005}, {0, 0xC0000005},
    };
    for (const auto& [address, exception] : rows)
        EXPECT_EQ(ExceptionCodeOf(SIGSEGV, SEGV_MAPERR, address, sp, false), exception) << std::hex << address;
}

TEST(CrashSignals, CodeIsLocatedInItsModuleWithItsExportedSymbol)
{
    // A function of the C++ runtime, which no sanitizer stands in for.
    Platform::CodeLocation location;
    const auto terminateAt = reinterpret_cast<uintptr_t>(&std::terminate);
    ASSERT_TRUE(Platform::LocateCode(terminateAt + 1, location));
    EXPECT_NE(std::string(location.module).find("libstdc++.so"), std::string::npos) << location.module;
    ASSERT_NE(location.symbol, nullptr);
    EXPECT_STREQ(location.symbol, "_ZSt9terminatev");
    EXPECT_EQ(location.symbolAddress, terminateAt);
    EXPECT_GT(terminateAt, location.moduleBase);
    EXPECT_FALSE(Platform::LocateCode(16, location));
}

TEST(CrashSignals, OnlyAFetchAtZeroUnderAnAddressOfCodeIsACallThroughNull)
{
    const auto code = reinterpret_cast<uintptr_t>(&std::terminate) + 5;
    uintptr_t local = 0;
    const uintptr_t tops[] = {code, reinterpret_cast<uintptr_t>(&local), 0};
    const auto at = [&tops](int i) { return reinterpret_cast<uintptr_t>(&tops[i]); };
    const uintptr_t rows[][4] = {
        // pc, fault address, stack pointer, a call through null
        {0, 0, at(0), 1}, {0, 0, at(1), 0}, {0, 0, at(2), 0}, {0, 0, 16, 0}, {16, 16, at(0), 0}, {0, 8, at(0), 0},
    };
    for (const auto& [pc, faultAddress, stackPointer, call] : rows) {
        uintptr_t returnAddress = 0;
        EXPECT_EQ(Platform::NullCallReturnAddress(pc, faultAddress, stackPointer, returnAddress), call != 0)
            << pc << " " << faultAddress << " " << std::hex << stackPointer;
        if (call != 0) {
            EXPECT_EQ(returnAddress, code);
        }
    }
}

TEST(CrashSignals, MangledNamesAreDemangledAndOthersKept)
{
    EXPECT_EQ(Platform::DemangleSymbol("_ZN4Vorn11VornAppBase4InitEv"), "Vorn::VornAppBase::Init()");
    EXPECT_EQ(Platform::DemangleSymbol("_Z4Drawi"), "Draw(int)");
    EXPECT_EQ(Platform::DemangleSymbol("main"), "main");
    EXPECT_EQ(Platform::DemangleSymbol("?Update@Board@@QAEXXZ"), "?Update@Board@@QAEXXZ");
    EXPECT_EQ(Platform::DemangleSymbol(""), "");
}

} // namespace
