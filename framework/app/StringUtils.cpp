#include "framework/app/StringUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string_view>

namespace Vorn {

namespace {

constexpr size_t kStackFormatSize = 160;

char AsciiUpper(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') ? static_cast<char>(u - 'a' + 'A') : c;
}

char AsciiLower(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<char>(u - 'A' + 'a') : c;
}

// Windows-1252 bytes 0x80..0x9F by character; 0 where the code page leaves the
// byte unassigned.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool ToCp1252(char16_t c, char& byte)
{
    if (c <= 0xFF) {
        byte = static_cast<char>(c);
        return true;
    }
    const char16_t* const end = std::end(kCp1252High);
    const char16_t* const found = std::find(std::begin(kCp1252High), end, c);
    if (found == end)
        return false;
    byte = static_cast<char>(0x80 + (found - std::begin(kCp1252High)));
    return true;
}

struct Entity {
    std::string_view name;
    char replacement;
};

constexpr Entity kEntities[] = {
    {"lt", '<'}, {"amp", '&'}, {"gt", '>'}, {"quot", '"'},
    {"apos", '\''}, {"nbsp", ' '}, {"cr", '\n'},
};

template <typename Char>
char EntityReplacement(std::basic_string_view<Char> name)
{
    for (const Entity& entity : kEntities) {
        const bool same = std::equal(name.begin(), name.end(), entity.name.begin(), entity.name.end(),
            [](Char a, char b) { return a == static_cast<Char>(static_cast<unsigned char>(b)); });
        if (same)
            return entity.replacement;
    }
    return '&';
}

template <typename Char>
std::basic_string<Char> DecodeEntities(const std::basic_string<Char>& text)
{
    const std::basic_string_view<Char> in(text);
    std::basic_string<Char> out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != Char('&')) {
            out += in[i];
            continue;
        }
        const size_t semicolon = in.find(Char(';'), i);
        if (semicolon == in.npos) {
            out += in[i];
            continue;
        }
        out += static_cast<Char>(EntityReplacement(in.substr(i + 1, semicolon - i - 1)));
        i = semicolon;
    }
    return out;
}

} // namespace

std::string StringToUpper(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = AsciiUpper(c);
    return result;
}

std::string StringToLower(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

std::u16string StringToWString(const std::string& text)
{
    std::u16string result(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        result[i] = static_cast<unsigned char>(text[i]);
    return result;
}

std::string WStringToString(const std::u16string& text)
{
    std::string result(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        if (!ToCp1252(text[i], result[i]))
            return {};
    }
    return result;
}

std::string Trim(const std::string& text)
{
    static constexpr const char* kWhiteSpace = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

bool StringToInt(const std::string& text, int& value)
{
    value = 0;
    if (text.empty())
        return false;
    const bool negative = text[0] == '-';
    // Unsigned so that overlong numbers wrap as the callers have always seen
    // them do ("4294967295" is -1) without signed overflow.
    uint32_t number = 0;
    uint32_t base = 10;
    for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if ((c == 'x' || c == 'X') && i == 1 && number == 0) {
            base = 16;
            continue;
        } else {
            return false;
        }
        number = number * base + digit;
    }
    if (negative)
        number = 0u - number;
    value = static_cast<int>(number);
    return true;
}

bool StringToDouble(const std::string& text, double& value)
{
    value = 0.0;
    if (text.empty())
        return false;
    const bool negative = text[0] == '-';
    double number = 0.0;
    size_t i = negative ? 1 : 0;
    for (; i < text.size() && text[i] != '.'; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + (text[i] - '0');
    }
    double scale = 0.1;
    for (++i; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number += (text[i] - '0') * scale;
        scale /= 10;
    }
    value = negative ? -number : number;
    return true;
}

std::string GroupThousands(int number)
{
    if (number < 0)
        return {};
    if (number == 0)
        return "0";
    std::string reversed;
    for (int position = 0; number > 0; ++position, number /= 10) {
        if (position > 0 && position % 3 == 0)
            reversed += ',';
        reversed += static_cast<char>('0' + number % 10);
    }
    return std::string(reversed.rbegin(), reversed.rend());
}

std::string FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string result = VFormatString(format, args);
    va_end(args);
    return result;
}

std::string VFormatString(const char* format, va_list args)
{
    // Each attempt walks the arguments afresh from its own copy: a va_list
    // that one call has consumed cannot be used again.
    char stackBuffer[kStackFormatSize];
    va_list attempt;
    va_copy(attempt, args);
    const int length = std::vsnprintf(stackBuffer, sizeof stackBuffer, format, attempt);
    va_end(attempt);
    if (length < 0)
        return {};
    if (static_cast<size_t>(length) < sizeof stackBuffer)
        return std::string(stackBuffer, static_cast<size_t>(length));

    // The first attempt reported the full length, so one heap buffer of
    // exactly that size holds the text, however long it is.
    std::string result(static_cast<size_t>(length), '\0');
    va_copy(attempt, args);
    const int written = std::vsnprintf(result.data(), result.size() + 1, format, attempt);
    va_end(attempt);
    if (written != length)
        return {};
    return result;
}

std::string DecodeXMLEntities(const std::string& text)
{
    return DecodeEntities(text);
}

std::u16string DecodeXMLEntitiesW(const std::u16string& text)
{
    return DecodeEntities(text);
}

int StrFindNoCase(const char* text, const char* pattern)
{
    if (!text || !pattern)
        return -1;
    const std::string_view haystack(text);
    const std::string_view needle(pattern);
    for (size_t start = 0; start < haystack.size(); ++start) {
        size_t matched = 0;
        while (matched < needle.size() && start + matched < haystack.size()
               && AsciiLower(haystack[start + matched]) == AsciiLower(needle[matched]))
            ++matched;
        if (matched == needle.size())
            return static_cast<int>(start);
    }
    return -1;
}

} // namespace Vorn
