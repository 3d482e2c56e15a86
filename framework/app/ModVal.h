#pragma once
// Live tuning: constants marked in the source can be edited in their source
// files while the program runs and re-read on a developer's key.
//
// A marked constant is written M(value) or M1(value) .. M9(value) in the
// source, with M defined as VORN_MODVAL in the file that uses it. The
// reparse finds it by its line, so a marked constant must stand on the line
// its expansion is compiled on. Its slot lies in the program's section
// "vorn_modval", which holds nothing else, so that no other data that happens
// to hold the marker is taken for a slot:
//
//   offset 0   1 byte   not 0 until the constant is registered
//   offset 1   4 bytes  its record's number in the record table, little-endian
//   offset 5  10 bytes  the marker "VORNMODVAL", unterminated
//   offset 15           the source path, the order number, ',' and the line,
//                       zero-terminated
//
// The order number is unique within a source file and grows in source order.
//
// Two limits of g++: a marked constant in an inline function (a member
// defined in its class, say) and one in an ordinary function cannot share the
// section within one source file (g++ stops with "section type conflict"),
// so mark constants of one kind per source file; and a slot in a template is
// left out of the section, so that constant takes part from its first use on.
//
// Main thread only.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

namespace Vorn {

struct ModVal {
    bool mChanged = false;
    int32_t mInt = 0;
    double mDouble = 0.0;
    std::string mString;
};

struct ModValFile {
    struct Entry {
        uint8_t* mSlot = nullptr;
        int mLine = 0;
    };
    bool mUsed = false;
    // By order number.
    std::map<int, Entry> mEntries;
};

inline constexpr size_t kModValMarkerOffset = 5;
inline constexpr size_t kModValTextOffset = 15;

// Registers the marked constant of the slot on its first use: its file takes
// part in reparses from then on. The record lives until the process ends.
// A slot that cannot be written is remembered by its address instead.
ModVal* ModValRegister(uint8_t* slot);
// The record of the slot, registering it first when it is not yet.
ModVal* ModValOf(uint8_t* slot);
// Re-reads the source files of the constants used so far and stores their
// new values; true when a source file changed since the last reparse. Every
// failure and a reparse without changes is reported in a message box.
bool ModValReparse();

// Splits a slot's text into the source path, the order number and the line;
// false when it does not split.
bool ModValSplitText(const std::string& text, std::string& path, int& order, int& line);

struct ModValSlotFound {
    uint8_t* mSlot = nullptr;
    std::string mPath;
    int mOrder = 0;
    int mLine = 0;
};
// The slots laid one after another in [begin, end), zeros allowed between
// them, in address order; texts that do not split, or that run past the end,
// are passed over.
std::vector<ModValSlotFound> ModValSlotsIn(uint8_t* begin, uint8_t* end);

// What a marked constant evaluates to: its compiled value until a reparse
// stored one of its kind.
template <typename T>
T ModValValue(uint8_t* slot, T compiled)
{
    const ModVal* record = ModValOf(slot);
    if (!record->mChanged)
        return compiled;
    if constexpr (std::is_same_v<T, const char*>)
        return record->mString.c_str();
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(record->mDouble);
    else
        return static_cast<T>(record->mInt);
}

} // namespace Vorn

#define VORN_MODVAL_TEXT2(x) #x
#define VORN_MODVAL_TEXT(x) VORN_MODVAL_TEXT2(x)
// The slot is written at run time when the constant registers: it is not
// const, and it is read through volatile. Its section's name is a C
// identifier, so that the linker bounds it with __start_vorn_modval and
// __stop_vorn_modval in every program that links a marked constant.
#define VORN_MODVAL(value)                                                                                        \
    (::Vorn::ModValValue(                                                                                         \
        []() {                                                                                                    \
            [[gnu::used, gnu::section("vorn_modval")]] static char slot[] =                                       \
                "\1\0\0\0\0VORNMODVAL" __FILE__ VORN_MODVAL_TEXT(__COUNTER__) "," VORN_MODVAL_TEXT(__LINE__);     \
            return reinterpret_cast<uint8_t*>(slot);                                                              \
        }(),                                                                                                      \
        (value)))
