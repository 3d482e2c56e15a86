#pragma once
// A linker's map file puts names on the logical addresses of a crash report:
// the first "*.map" file of the folder, when there is one, gives each
// address it covers the symbol it lies in and, when the file has line
// numbers, the source line.
//
// The file's lines that count:
//   symbols   " SSSS:OOOOOOOO      name ..." (longer than 22 characters,
//             ':' at 5, the name from 21 to the next blank)
//   sources   "Line numbers for obj(source.cpp) segment .text"
//   lines     exactly 80 characters: four entries of 20, each
//             "LLLLLL SSSS:OOOOOOOO" (decimal line, hex section and offset)

#include <cstdint>
#include <string>
#include <string_view>

namespace CrashCatcher {

// The value of hex digits (either case). False, with 0, at any other
// character; the empty text is 0.
bool ParseHex(std::string_view text, uint32_t& value);

// Each logical address "SSSS:OOOOOOOO" of the report that a symbol of the
// map file covers (the symbol at or below it in its section) becomes that
// symbol's demangled name, "+0x" and the distance when it is not 0, and the
// source line "\r\n    file line N +0xD" when the map file has one at or
// below it. Nothing changes without a map file.
void GetMapFileLine(std::string& report, const std::string& folder = ".");

} // namespace CrashCatcher
