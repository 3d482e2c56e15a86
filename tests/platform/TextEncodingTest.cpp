#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

using Platform::Utf8ToWindows1252;
using Platform::Windows1252ToUtf8;

TEST(TextEncoding, EveryWindows1252ByteRoundTripsAndTheRestIsDropped)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    EXPECT_EQ(Utf8ToWindows1252(Windows1252ToUtf8(all)), all);
    // 0x81 is undefined in 1252: it becomes the control character of the same number.
    EXPECT_EQ(Windows1252ToUtf8("\x80 Caf\xE9 \x9F\x81"), "\u20AC Caf\u00E9 \u0178\xC2\x81");
    // From UTF-8 what 1252 can say is kept, the rest, malformed forms included, dropped.
    const struct { const char* name; std::string utf8, expected; } cases[] = {
        {"latin 1 and euro", "\u00E9t\u00E9 \u20AC5 \u2013 \u0178", "\xE9t\xE9 \x80" "5 \x96 \x9F"},
        {"no byte for Han", "a\u4E2Db", "ab"}, {"no byte for emoji", "x\U0001F600y", "xy"},
        {"overlong slash", "a\xC0\xAF" "b", "ab"}, {"surrogate", "a\xED\xA0\x80" "b", "ab"},
        {"beyond Unicode", "a\xF4\x90\x80\x80" "b", "ab"}, {"stray continuation", "\x80" "a\xBF", "a"},
        {"cut short at the end", "ab\xE2\x82", "ab"}, {"cut short, resumes at the next", "\xE2\x82" "A\xC3", "A"},
        {"NUL kept", std::string("a\0b", 3), std::string("a\0b", 3)}};
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToWindows1252(c.utf8), c.expected) << c.name;
}

} // namespace
