#include "platform/ModuleSymbols.h"

#include "platform/CrashSignals.h"
#include "fakes/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <string>

namespace {

// On one line: every instruction of it belongs to that line.
__attribute__((noinline)) int ModuleSymbolsTriple(int x) { return x * 3 + 1; }
constexpr int kTripleLine = __LINE__ - 1;

int (*volatile gTriple)(int) = ModuleSymbolsTriple;

struct Placed {
    std::string file;
    uint64_t start = 0;
};

Placed ModuleOf(uintptr_t address)
{
    Platform::CodeLocation location;
    EXPECT_TRUE(Platform::LocateCode(address, location));
    return {location.module != nullptr ? location.module : "", location.moduleBase};
}

class FunctionPrivateToItsFile : public ::testing::TestWithParam<uint64_t> {};

TEST_P(FunctionPrivateToItsFile, IsNamedWithItsSourceLine)
{
    const auto entry = reinterpret_cast<uintptr_t>(gTriple);
    const Placed module = ModuleOf(entry);
    EXPECT_EQ(module.file, std::filesystem::read_symlink("/proc/self/exe").string());

    Platform::ModuleSymbols symbols;
    Platform::CodeSymbol symbol;
    ASSERT_TRUE(symbols.Lookup(module.file, module.start, entry + GetParam(), symbol));
    EXPECT_EQ(Platform::DemangleSymbol(symbol.name), "(anonymous namespace)::ModuleSymbolsTriple(int)");
    EXPECT_EQ(symbol.address, entry);
    EXPECT_EQ(symbol.line, kTripleLine);
    EXPECT_TRUE(std::filesystem::path(symbol.sourceFile).is_absolute()) << symbol.sourceFile;
    EXPECT_TRUE(symbol.sourceFile.ends_with("/tests/platform/ModuleSymbolsTest.cpp")) << symbol.sourceFile;
    EXPECT_GE(symbol.lineAddress, entry);
    EXPECT_LE(symbol.lineAddress, entry + GetParam());
}

INSTANTIATE_TEST_SUITE_P(AtAndPastItsEntry, FunctionPrivateToItsFile, ::testing::Values(0u, 1u, 2u));

TEST(ModuleSymbols, ALibrarysFunctionIsNamedWithoutItsVersion)
{
    // Given a version in the library's symbols ("@@GLIBC_2.34").
    void* function = dlsym(RTLD_DEFAULT, "__libc_start_main");
    ASSERT_NE(function, nullptr);
    const auto at = reinterpret_cast<uintptr_t>(function);
    const Placed module = ModuleOf(at);
    Platform::ModuleSymbols symbols;
    Platform::CodeSymbol symbol;
    ASSERT_TRUE(symbols.Lookup(module.file, module.start, at + 3, symbol));
    EXPECT_EQ(symbol.name, "__libc_start_main");
    EXPECT_EQ(symbol.address, at);
    // Found again from what was read the first time.
    ASSERT_TRUE(symbols.Lookup(module.file, module.start, at, symbol));
    EXPECT_EQ(symbol.name, "__libc_start_main");
}

TEST(ModuleSymbols, WhatIsNoModuleOrLiesOutsideItTellsNothing)
{
    const Testing::TempDir dir;
    dir.WriteFile("notes.so", "not a module at all\n");
    dir.WriteFile("empty.so", "");
    const auto entry = reinterpret_cast<uintptr_t>(gTriple);
    const Placed program = ModuleOf(entry);
    struct Row {
        std::string file;
        uint64_t start;
        uint64_t address;
    };
    const Row rows[] = {
        {dir / "missing.so", 0x10000, 0x10010},
        {dir / "notes.so", 0x10000, 0x10010},
        {dir / "empty.so", 0x10000, 0x10010},
        {dir.Path(), 0x10000, 0x10010},
        {"", 0x10000, 0x10010},
        {program.file, program.start, program.start - 1},
        {program.file, program.start, 0},
        {program.file, program.start, ~uint64_t{0}},
    };
    Platform::ModuleSymbols symbols;
    for (const Row& row : rows) {
        Platform::CodeSymbol symbol;
        symbol.name = "stale";
        symbol.line = 9;
        EXPECT_FALSE(symbols.Lookup(row.file, row.start, row.address, symbol)) << row.file << " " << row.address;
        EXPECT_EQ(symbol.name, "");
        EXPECT_EQ(symbol.sourceFile, "");
        EXPECT_EQ(symbol.line, 0);
    }
    // The failures are not kept against the module that was read.
    Platform::CodeSymbol symbol;
    EXPECT_TRUE(symbols.Lookup(program.file, program.start, entry, symbol));
    EXPECT_EQ(symbol.address, entry);
}

} // namespace
