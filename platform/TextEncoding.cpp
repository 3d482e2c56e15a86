#include "platform/TextEncoding.h"

#include <array>
#include <cstdint>

namespace Platform {

namespace {

// Bytes 0x80..0x9F; every other byte is the code point of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The 1252 byte of a code point, or -1.
int ByteOf(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == codePoint)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Lead bytes of the multi-byte forms: the bits that tell the form, its
// length and the smallest code point it may carry (anything lower is an
// overlong form).
struct LeadByte {
    unsigned char mask;
    unsigned char value;
    int length;
    char32_t smallest;
};
constexpr LeadByte kLeadBytes[] = {{0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800}, {0xF8, 0xF0, 4, 0x10000}};

// Decodes one sequence at `pos` and moves past it; a malformed sequence
// yields -1 and moves past its first byte only, so decoding picks up again
// at the next lead byte.
int64_t NextCodePoint(std::string_view utf8, size_t& pos)
{
    const auto lead = static_cast<unsigned char>(utf8[pos++]);
    if (lead < 0x80)
        return lead;
    for (const LeadByte& form : kLeadBytes) {
        if ((lead & form.mask) != form.value)
            continue;
        if (utf8.size() - pos < size_t(form.length - 1))
            return -1;
        char32_t codePoint = lead & ~form.mask & 0xFF;
        for (int i = 0; i < form.length - 1; ++i) {
            const auto next = static_cast<unsigned char>(utf8[pos + i]);
            if ((next & 0xC0) != 0x80)
                return -1;
            codePoint = codePoint << 6 | (next & 0x3F);
        }
        if (codePoint < form.smallest || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return -1;
        pos += form.length - 1;
        return codePoint;
    }
    return -1;
}

} // namespace

char32_t Windows1252CodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

std::string Windows1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        AppendUtf8(out, Windows1252CodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        const int64_t codePoint = NextCodePoint(utf8, pos);
        const int byte = codePoint < 0 ? -1 : ByteOf(static_cast<char32_t>(codePoint));
        if (byte >= 0)
            out += static_cast<char>(byte);
    }
    return out;
}

} // namespace Platform
