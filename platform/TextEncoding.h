#pragma once
// The framework's texts are 8-bit Windows-1252, as its data files and demo
// recordings store them; the desktop speaks UTF-8. These convert at the
// border: typed text, the clipboard, titles and message boxes.

#include <string>
#include <string_view>

namespace Platform {

// Every byte has a character: the five bytes 1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same
// number, so any text survives the round trip.
std::string Windows1252ToUtf8(std::string_view text);

// The character of one byte, by the same rule.
char32_t Windows1252CodePoint(unsigned char byte);

// Characters without a 1252 byte and malformed UTF-8 (stray continuation
// bytes, overlong forms, surrogates, cut-off sequences) are dropped.
std::string Utf8ToWindows1252(std::string_view utf8);

} // namespace Platform
