#pragma once
// Text helpers every part of the framework and the game calls. Strings are
// 8-bit (Windows-1252 bytes); wide strings are 16-bit. Case mapping and white
// space are ASCII only, the same on every machine and locale.

#include <cstdarg>
#include <string>

namespace Vorn {

std::string StringToUpper(const std::string& text);
std::string StringToLower(const std::string& text);

// Each byte becomes the character of the same value 0..255.
std::u16string StringToWString(const std::string& text);

// Characters 0..255 become the byte of the same value; others become their
// Windows-1252 byte where they have one. Anything else cannot be converted and
// empties the whole result.
std::string WStringToString(const std::u16string& text);

// Without leading and trailing blanks, tabs, line feeds, vertical tabs, form
// feeds and carriage returns.
std::string Trim(const std::string& text);

// Decimal, or hexadecimal after "0x" / "x" ("0x1F", "-x1F"), with an optional
// leading '-'; wraps at 32 bits. On false the value is 0.
bool StringToInt(const std::string& text, int& value);

// Digits with an optional '-' and one '.'; no exponent, no blanks. On false
// the value is 0.0.
bool StringToDouble(const std::string& text, double& value);

// "1,234,567"; a negative number gives the empty string.
std::string GroupThousands(int number);

// printf-style formatting into a string; an encoding error gives "".
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VFormatString(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Replaces &lt; &amp; &gt; &quot; &apos; &nbsp; (a blank) and &cr; (a line
// feed). Any other name between '&' and the next ';' leaves a lone '&'.
std::string DecodeXMLEntities(const std::string& text);
std::u16string DecodeXMLEntitiesW(const std::u16string& text);

// Index of the first ASCII-case-insensitive occurrence of `pattern` in `text`,
// or -1. An empty pattern matches at 0 in any non-empty text.
int StrFindNoCase(const char* text, const char* pattern);

} // namespace Vorn
