#include "framework/crash/SafeText.h"

namespace Vorn {

SafeText::SafeText(char* buffer, size_t capacity)
    : mBuffer(buffer), mCapacity(capacity)
{
    Clear();
}

void SafeText::Clear()
{
    mSize = 0;
    mTruncated = false;
    if (mCapacity > 0)
        mBuffer[0] = '\0';
}

void SafeText::Append(char c)
{
    if (mSize + 1 >= mCapacity) {
        mTruncated = true;
        return;
    }
    mBuffer[mSize++] = c;
    mBuffer[mSize] = '\0';
}

void SafeText::Append(std::string_view text)
{
    for (const char c : text)
        Append(c);
}

void SafeText::Pad(size_t count, char c)
{
    for (size_t i = 0; i < count; ++i)
        Append(c);
}

void SafeText::Field(std::string_view text, size_t width, bool left, char pad)
{
    const size_t padding = width > text.size() ? width - text.size() : 0;
    if (!left)
        Pad(padding, pad);
    Append(text);
    if (left)
        Pad(padding, ' ');
}

void SafeText::Number(unsigned long long magnitude, bool negative, unsigned base, bool upper, size_t width,
                      bool left, bool zero)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[24];
    size_t count = 0;
    do {
        reversed[count++] = digits[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    char text[26];
    size_t length = 0;
    const size_t signWidth = negative ? 1 : 0;
    if (negative)
        text[length++] = '-';
    // Zeros go between the sign and the digits, and only to the right width.
    if (zero && !left) {
        for (size_t i = count + signWidth; i < width && length < sizeof(text) - count; ++i)
            text[length++] = '0';
    }
    while (count > 0)
        text[length++] = reversed[--count];
    Field({text, length}, width, left, ' ');
}

void SafeText::Format(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatList(format, arguments);
    va_end(arguments);
}

void SafeText::FormatList(const char* format, va_list arguments)
{
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            Append(*p);
            continue;
        }
        ++p;
        bool left = false;
        bool zero = false;
        for (;; ++p) {
            if (*p == '-')
                left = true;
            else if (*p == '0')
                zero = true;
            else
                break;
        }
        size_t width = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            width = width * 10 + static_cast<size_t>(*p - '0');
        int longs = 0;
        bool size = false;
        for (;; ++p) {
            if (*p == 'l')
                ++longs;
            else if (*p == 'z')
                size = true;
            else if (*p != 'h')
                break;
        }
        const auto takeSigned = [&]() -> long long {
            if (size)
                return static_cast<long long>(va_arg(arguments, size_t));
            if (longs >= 2)
                return va_arg(arguments, long long);
            if (longs == 1)
                return va_arg(arguments, long);
            return va_arg(arguments, int);
        };
        const auto takeUnsigned = [&]() -> unsigned long long {
            if (size)
                return va_arg(arguments, size_t);
            if (longs >= 2)
                return va_arg(arguments, unsigned long long);
            if (longs == 1)
                return va_arg(arguments, unsigned long);
            return va_arg(arguments, unsigned int);
        };
        switch (*p) {
        case 's': {
            const char* text = va_arg(arguments, const char*);
            Field(text == nullptr ? std::string_view() : std::string_view(text), width, left, ' ');
            break;
        }
        case 'c': {
            const char c = static_cast<char>(va_arg(arguments, int));
            Field({&c, 1}, width, left, ' ');
            break;
        }
        case 'd':
        case 'i': {
            const long long value = takeSigned();
            // Negated in unsigned arithmetic: the most negative value has no
            // positive counterpart.
            const unsigned long long magnitude =
                value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
            Number(magnitude, value < 0, 10, false, width, left, zero);
            break;
        }
        case 'u':
            Number(takeUnsigned(), false, 10, false, width, left, zero);
            break;
        case 'x':
        case 'X':
            Number(takeUnsigned(), false, 16, *p == 'X', width, left, zero);
            break;
        case '%':
            Append('%');
            break;
        case '\0':
            return;
        default:
            break;
        }
    }
}

} // namespace Vorn
