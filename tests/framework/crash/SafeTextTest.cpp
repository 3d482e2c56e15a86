#include "framework/crash/SafeText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using Vorn::SafeText;

// Formats with the runtime's printf, the reference the catcher's own
// formatting must match.
template <typename... Args>
std::string Reference(const char* format, Args... args)
{
    char text[256];
    std::snprintf(text, sizeof(text), format, args...);
    return text;
}

template <typename... Args>
std::string Safe(const char* format, Args... args)
{
    char buffer[256];
    SafeText text(buffer, sizeof(buffer));
    text.Format(format, args...);
    return std::string(text.View());
}

// Past the compiler's format checks, for formats it would refuse.
std::string Unchecked(const char* format, ...)
{
    char buffer[64];
    SafeText text(buffer, sizeof(buffer));
    va_list arguments;
    va_start(arguments, format);
    text.FormatList(format, arguments);
    va_end(arguments);
    return std::string(text.View());
}

#define EXPECT_LIKE_PRINTF(...) EXPECT_EQ(Safe(__VA_ARGS__), Reference(__VA_ARGS__))

TEST(SafeText, FormatsTheConversionsOfTheReportAsPrintfDoes)
{
    EXPECT_LIKE_PRINTF("%08X", 0x1A2Bu);
    EXPECT_LIKE_PRINTF("%08X", 0xDEADBEEFu);
    EXPECT_LIKE_PRINTF("%04X:%08llX", 1u, 0x4929EULL);
    EXPECT_LIKE_PRINTF("%016llX", 0x00007FFC124FA9C8ULL);
    EXPECT_LIKE_PRINTF("%08llX", 0x560B8F6FC29EULL);
    EXPECT_LIKE_PRINTF("%llX", ULLONG_MAX);
    EXPECT_LIKE_PRINTF("code 0x%x", 0xC0000005u);
    EXPECT_LIKE_PRINTF("%x", 0u);
    EXPECT_LIKE_PRINTF("%d|%d|%d", 0, -7, INT_MIN);
    EXPECT_LIKE_PRINTF("%i", INT_MAX);
    EXPECT_LIKE_PRINTF("%lld", LLONG_MIN);
    EXPECT_LIKE_PRINTF("%ld", -1234567890123L);
    EXPECT_LIKE_PRINTF("%u", UINT_MAX);
    EXPECT_LIKE_PRINTF("%zu", static_cast<size_t>(123456789));
    EXPECT_LIKE_PRINTF("%05d", -42);
    EXPECT_LIKE_PRINTF("%-6d|", 42);
    EXPECT_LIKE_PRINTF("%6d|", -42);
    EXPECT_LIKE_PRINTF("%-8s|%8s|", "ab", "cd");
    EXPECT_LIKE_PRINTF("%c%c", 'o', 'k');
    EXPECT_LIKE_PRINTF("100%% %s", "done");
    EXPECT_LIKE_PRINTF("%hu", static_cast<unsigned short>(65535));
    EXPECT_LIKE_PRINTF("%2X", 0xABCu);
}

TEST(SafeText, ANullTextPrintsNothing)
{
    EXPECT_EQ(Unchecked("[%s]", static_cast<const char*>(nullptr)), "[]");
}

TEST(SafeText, KeepsWhatFitsTerminatedAndSaysSomethingWasDropped)
{
    char buffer[8];
    SafeText text(buffer, sizeof(buffer));
    text.Append("abc");
    EXPECT_FALSE(text.Truncated());
    text.Format("%08X", 0x12345678u);
    EXPECT_EQ(text.View(), "abc1234");
    EXPECT_STREQ(text.CString(), "abc1234");
    EXPECT_EQ(text.Size(), 7u);
    EXPECT_TRUE(text.Truncated());
    text.Clear();
    EXPECT_EQ(text.Size(), 0u);
    EXPECT_FALSE(text.Truncated());
    EXPECT_STREQ(text.CString(), "");
}

TEST(SafeText, AnExactFitIsNotTruncated)
{
    char buffer[4];
    SafeText text(buffer, sizeof(buffer));
    text.Append("xyz");
    EXPECT_EQ(text.View(), "xyz");
    EXPECT_FALSE(text.Truncated());
    text.Append('!');
    EXPECT_TRUE(text.Truncated());
}

TEST(SafeText, WithoutRoomHoldsNothing)
{
    SafeText text(nullptr, 0);
    text.Append("a");
    EXPECT_EQ(text.Size(), 0u);
    EXPECT_STREQ(text.CString(), "");
    EXPECT_TRUE(text.Truncated());
}

TEST(SafeText, AnUnfinishedConversionEndsTheText)
{
    EXPECT_EQ(Unchecked("ab%"), "ab");
}

} // namespace
