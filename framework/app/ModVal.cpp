#include "framework/app/ModVal.h"

#include "framework/app/FileUtils.h"
#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "platform/DebugOutput.h"
#include "platform/MessageBox.h"
#include "platform/ProcessMemory.h"
#include "platform/RegularFile.h"

#include <charconv>
#include <deque>
#include <limits>
#include <memory>
#include <string_view>

// The bounds of the section every marked constant's slot lies in, set by the
// linker. Weak: a program without a marked constant has no such section, and
// both are null there.
extern "C" {
[[gnu::weak]] extern uint8_t __start_vorn_modval[];
[[gnu::weak]] extern uint8_t __stop_vorn_modval[];
}

namespace Vorn {

namespace {

constexpr char kModValMarker[] = "VORNMODVAL";
constexpr size_t kModValMarkerLength = sizeof(kModValMarker) - 1;

// The records, by the number the slots hold: a slot has four bytes for its
// record, too few for an address here. Each knows its slot, so that a number
// read back from a slot is taken only when it is that slot's own. Never freed.
struct RegisteredModVal {
    const uint8_t* mSlot;
    std::unique_ptr<ModVal> mRecord;
};

std::deque<RegisteredModVal>& ModValRecords()
{
    static std::deque<RegisteredModVal> records;
    return records;
}

// Slots whose registration could not be written into them: they still read
// as unregistered, and are found here instead of being registered again on
// every evaluation.
std::map<const uint8_t*, ModVal*>& UnwrittenModValSlots()
{
    static std::map<const uint8_t*, ModVal*> slots;
    return slots;
}

bool gModValWriteFailureReported = false;

std::map<std::string, ModValFile>& ModValFileTable()
{
    static std::map<std::string, ModValFile> table;
    return table;
}

int64_t gModValLastChangeTime = 0;

std::string ModValSlotText(const uint8_t* slot)
{
    return reinterpret_cast<const char*>(slot + kModValTextOffset);
}

void ReportModVal(const std::string& text, const std::string& caption, uint32_t flags)
{
    if (gApplication)
        gApplication->ShowMessageBox(text, caption, flags);
}

void FindModValSlots()
{
    for (ModValSlotFound& found : ModValSlotsIn(__start_vorn_modval, __stop_vorn_modval))
        ModValFileTable()[found.mPath].mEntries[found.mOrder] = {found.mSlot, found.mLine};
}

bool IsModValDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsModValLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool ParseModValString(const std::string& text, std::string& value)
{
    if (text.empty() || text[0] != '"')
        return false;
    std::string out;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            value = out;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        default:
            return false;
        }
    }
    return false;
}

int ModValHexDigit(char c)
{
    int digit = 0;
    const auto result = std::from_chars(&c, &c + 1, digit, 16);
    return result.ec == std::errc() ? digit : -1;
}

// Decimal literals past 32 bits fail; hexadecimal ones keep their low 32 bits,
// as a hexadecimal constant written for an unsigned word expects.
bool ParseModValInteger(const std::string& text, int32_t& value)
{
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        ++i;
    if (i < text.size() && (IsModValLetter(text[i]) || text[i] == '_') &&
        !(i == 1 && (text[i] == 'x' || text[i] == 'X')))
        return false;
    bool hex = false;
    int64_t decimal = 0;
    uint32_t hexValue = 0;
    int digits = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (i == 1 && (c == 'x' || c == 'X') && decimal == 0 && !hex) {
            hex = true;
            continue;
        }
        if (hex && ModValHexDigit(c) >= 0) {
            hexValue = hexValue * 16u + static_cast<uint32_t>(ModValHexDigit(c));
        } else if (!hex && IsModValDigit(c)) {
            decimal = decimal * 10 + (c - '0');
            if (decimal > int64_t{std::numeric_limits<int32_t>::max()} + 1)
                return false;
        } else {
            break;
        }
        ++digits;
    }
    if (digits == 0 || i >= text.size() || text[i] != ')')
        return false;
    if (hex) {
        const uint32_t magnitude = negative ? 0u - hexValue : hexValue;
        value = static_cast<int32_t>(magnitude);
        return true;
    }
    const int64_t signedValue = negative ? -decimal : decimal;
    if (signedValue > std::numeric_limits<int32_t>::max())
        return false;
    value = static_cast<int32_t>(signedValue);
    return true;
}

bool ParseModValFloat(const std::string& text, double& value)
{
    size_t i = 0;
    if (i < text.size() && text[i] == '-')
        ++i;
    const size_t digitsStart = i;
    while (i < text.size() && IsModValDigit(text[i]))
        ++i;
    bool anyDigit = i > digitsStart;
    if (i < text.size() && text[i] == '.') {
        const size_t fractionStart = ++i;
        while (i < text.size() && IsModValDigit(text[i]))
            ++i;
        anyDigit = anyDigit || i > fractionStart;
    }
    if (!anyDigit)
        return false;
    const size_t numberEnd = i;
    if (i < text.size() && text[i] == 'f')
        ++i;
    if (i >= text.size() || text[i] != ')')
        return false;
    double parsed = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + numberEnd, parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + numberEnd)
        return false;
    value = parsed;
    return true;
}

// One source file's scan: its lines with their count, and its entries walked
// in order alongside.
class ModValSourceScan {
public:
    ModValSourceScan(const std::string& path, ModValFile& file, std::istream& in)
        : mPath(path), mEntries(file.mEntries), mNext(file.mEntries.begin()), mIn(in)
    {
    }

    // False after an error, which has been reported.
    bool Run()
    {
        while (NextLine()) {
            if (!ScanLine())
                return false;
        }
        return true;
    }

private:
    bool NextLine()
    {
        if (!std::getline(mIn, mLine))
            return false;
        if (!mLine.empty() && mLine.back() == '\r')
            mLine.pop_back();
        ++mLineNumber;
        return true;
    }

    bool Fail(const char* format)
    {
        ReportModVal(FormatString(format, mPath.c_str(), mLineNumber), "MODVAL ERROR", Platform::MB_ICONERROR);
        return false;
    }

    bool ScanLine()
    {
        char previous = 0;
        for (size_t i = 0; i < mLine.size(); ++i) {
            const char c = mLine[i];
            if (c == '"') {
                if (!SkipString(i))
                    return false;
                previous = '"';
                continue;
            }
            if (c == '/' && previous == '/')
                return SkipLineComment();
            if (c == '*' && previous == '/') {
                if (!SkipBlockComment(i))
                    return false;
                previous = 0;
                continue;
            }
            if (c == '(' && IsMarked(i) && !TakeConstant(i))
                return false;
            previous = c;
        }
        return true;
    }

    // From the opening quote at i to its closing one, across lines that end
    // in a backslash; i is left on the closing quote.
    bool SkipString(size_t& i)
    {
        bool escaped = false;
        for (++i;; ++i) {
            while (i >= mLine.size()) {
                if (mLine.empty() || mLine.back() != '\\' || !NextLine())
                    return Fail("ERROR in %s on line %d: Error parsing quotes");
                i = 0;
                escaped = false;
            }
            const char c = mLine[i];
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                return true;
        }
    }

    bool SkipLineComment()
    {
        while (!mLine.empty() && mLine.back() == '\\') {
            if (!NextLine())
                return Fail("ERROR in %s on line %d: Error parsing c++ comment");
        }
        return true;
    }

    // From the '*' at i to the '/' that closes the comment; the opening '*'
    // counts, so "/*/" is a whole comment. i is left on the '/'.
    bool SkipBlockComment(size_t& i)
    {
        char previous = '*';
        for (++i;; ++i) {
            while (i >= mLine.size()) {
                if (!NextLine())
                    return Fail("ERROR in %s on line %d: Error parsing c comment");
                i = 0;
                previous = 0;
            }
            if (mLine[i] == '/' && previous == '*')
                return true;
            previous = mLine[i];
        }
    }

    // M( or M1( .. M9(, the M neither first on the line nor after a letter.
    bool IsMarked(size_t paren) const
    {
        size_t m = paren;
        if (m >= 1 && mLine[m - 1] >= '1' && mLine[m - 1] <= '9')
            --m;
        if (m < 1 || mLine[m - 1] != 'M')
            return false;
        --m;
        return m > 0 && !IsModValLetter(mLine[m - 1]);
    }

    bool TakeConstant(size_t paren)
    {
        while (mNext != mEntries.end() && mNext->second.mLine < mLineNumber)
            ++mNext;
        if (mNext == mEntries.end() || mNext->second.mLine != mLineNumber)
            return true;
        uint8_t* slot = mNext->second.mSlot;
        ++mNext;
        const std::string text = mLine.substr(paren + 1);
        std::string string;
        int32_t integer = 0;
        double floating = 0.0;
        if (!ParseModValString(text, string) && !ParseModValInteger(text, integer) && !ParseModValFloat(text, floating))
            return Fail("ERROR in %s on line %d.  Parsing Error.");
        ModVal* record = ModValOf(slot);
        record->mInt = integer;
        record->mDouble = floating;
        record->mString = string;
        record->mChanged = true;
        return true;
    }

    const std::string& mPath;
    std::map<int, ModValFile::Entry>& mEntries;
    std::map<int, ModValFile::Entry>::iterator mNext;
    std::istream& mIn;
    std::string mLine;
    int mLineNumber = 0;
};

} // namespace

bool ModValSplitText(const std::string& text, std::string& path, int& order, int& line)
{
    if (text.empty())
        return false;
    // From the end: digits, at most one ',', more digits.
    size_t stop = text.size();
    bool comma = false;
    while (stop > 0) {
        const char c = text[stop - 1];
        if (IsModValDigit(c) || (c == ',' && !comma)) {
            comma = comma || c == ',';
            --stop;
            continue;
        }
        break;
    }
    // The scan stopped on the character at stop - 1: it must not be the last
    // one, and not the first either.
    if (stop == text.size() || stop <= 1)
        return false;
    const std::string numbers = text.substr(stop);
    const size_t split = numbers.find(',');
    if (split == std::string::npos || split == 0 || split + 1 == numbers.size())
        return false;
    const auto parse = [](const std::string& digits, int& out) {
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), out);
        return result.ec == std::errc() && result.ptr == digits.data() + digits.size();
    };
    int parsedOrder = 0;
    int parsedLine = 0;
    if (!parse(numbers.substr(0, split), parsedOrder) || !parse(numbers.substr(split + 1), parsedLine))
        return false;
    path = text.substr(0, stop);
    order = parsedOrder;
    line = parsedLine;
    return true;
}

// Each slot's five bytes lie between the end of the previous slot's text (and
// the zeros that align the next one) and its marker, so that a marker within
// a path is never taken for another slot.
std::vector<ModValSlotFound> ModValSlotsIn(uint8_t* begin, uint8_t* end)
{
    std::vector<ModValSlotFound> slots;
    if (!begin || end <= begin)
        return slots;
    const std::string_view bytes(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
    const std::string_view marker(kModValMarker, kModValMarkerLength);
    size_t next = 0;
    for (size_t at = bytes.find(marker); at != std::string_view::npos; at = bytes.find(marker, next)) {
        if (at < next + kModValMarkerOffset) {
            next = at + 1;
            continue;
        }
        const size_t textStart = at + kModValMarkerLength;
        const size_t zero = bytes.find('\0', textStart);
        if (zero == std::string_view::npos)
            break;
        next = zero + 1;
        ModValSlotFound found;
        found.mSlot = begin + at - kModValMarkerOffset;
        if (ModValSplitText(std::string(bytes.substr(textStart, zero - textStart)), found.mPath, found.mOrder,
                            found.mLine))
            slots.push_back(std::move(found));
    }
    return slots;
}

ModVal* ModValRegister(uint8_t* slot)
{
    std::string path;
    int order = 0;
    int line = 0;
    // Entered as well: the compiler leaves the slot of a constant in a
    // template out of the slots' section, and a slot handed in by its
    // constant is its own.
    if (ModValSplitText(ModValSlotText(slot), path, order, line)) {
        ModValFile& file = ModValFileTable()[path];
        file.mUsed = true;
        file.mEntries[order] = {slot, line};
    }
    auto& records = ModValRecords();
    records.push_back({slot, std::make_unique<ModVal>()});
    ModVal* record = records.back().mRecord.get();
    const auto number = static_cast<uint32_t>(records.size() - 1);
    const uint8_t patch[5] = {0, static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                              static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    if (!Platform::PatchMemory(slot, patch, sizeof(patch))) {
        UnwrittenModValSlots()[slot] = record;
        // Once: where one slot cannot be written (no /proc, say), none can.
        if (!gModValWriteFailureReported) {
            gModValWriteFailureReported = true;
            Platform::WriteDebugOutput("MODVAL: the slot of " + ModValSlotText(slot) +
                                       " cannot be written; such constants are found by their address\n");
        }
    }
    return record;
}

ModVal* ModValOf(uint8_t* slot)
{
    const volatile uint8_t* bytes = slot;
    if (bytes[0] == 0) {
        const uint32_t number =
            uint32_t{bytes[1]} | uint32_t{bytes[2]} << 8 | uint32_t{bytes[3]} << 16 | uint32_t{bytes[4]} << 24;
        const auto& records = ModValRecords();
        if (number < records.size() && records[number].mSlot == slot)
            return records[number].mRecord.get();
    }
    const auto& unwritten = UnwrittenModValSlots();
    const auto found = unwritten.find(slot);
    if (found != unwritten.end())
        return found->second;
    return ModValRegister(slot);
}

bool ModValReparse()
{
    if (gModValLastChangeTime == 0) {
        gModValLastChangeTime = GetFileDate(Platform::ProgramFilePath());
        FindModValSlots();
    }
    bool changed = false;
    std::string parsed;
    for (auto& [path, file] : ModValFileTable()) {
        if (!file.mUsed)
            continue;
        const int64_t date = GetFileDate(path);
        if (date > gModValLastChangeTime) {
            gModValLastChangeTime = date;
            changed = true;
        }
        if (!parsed.empty())
            parsed += "\r\n  ";
        parsed += path;
        Platform::RegularFileStream in(path);
        if (!in) {
            ReportModVal("ERROR: Unable to open " + path + " for reparsing.", "MODVAL ERROR!", Platform::MB_ICONERROR);
            return false;
        }
        if (!ModValSourceScan(path, file, in).Run())
            return false;
    }
    if (changed)
        return true;
    ReportModVal("WARNING: No file changes detected.  Files parsed: \r\n  " + (parsed.empty() ? "none" : parsed),
                 "MODVAL WARNING!", Platform::MB_ICONWARNING);
    return false;
}

} // namespace Vorn
