#include "framework/display/DirectXResultText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

namespace {

struct TextCase {
    uint32_t code;
    const char* text;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << std::hex << c.code << " -> " << c.text;
}

class DirectXResultTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DirectXResultTextTest, GivesTheNameOrTheHexNumber)
{
    EXPECT_EQ(Vorn::DirectXResultText(static_cast<int32_t>(GetParam().code)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Families, DirectXResultTextTest,
    ::testing::Values(TextCase{0x88760005, "DDERR_ALREADYINITIALIZED"}, TextCase{0x887601C2, "DDERR_SURFACELOST"},
                      TextCase{0x88760096, "DDERR_INVALIDRECT"}, TextCase{0x887602BB, "DDERR_DEVICEDOESNTOWNSURFACE"},
                      TextCase{0x887602BC, "D3DERR_BADMAJORVERSION"}, TextCase{0x88760800, "D3DERR_INVALIDVERTEXFORMAT"},
                      TextCase{0x88760836, "D3DERR_NOTINBEGINSTATEBLOCK"}, TextCase{0x8878000A, "DSERR_ALLOCATED"},
                      TextCase{0x88780096, "DSERR_BUFFERLOST"}, TextCase{0x887800AA, "DSERR_UNINITIALIZED"}));

INSTANTIATE_TEST_SUITE_P(
    SharedValues, DirectXResultTextTest,
    ::testing::Values(TextCase{0x80004001, "DDERR_UNSUPPORTED"}, TextCase{0x80004002, "DSERR_NOINTERFACE"},
                      TextCase{0x80004005, "DSERR_GENERIC"}, TextCase{0x80040110, "DSERR_NOAGGREGATION"},
                      TextCase{0x800401F0, "DDERR_NOTINITIALIZED"}, TextCase{0x8007000E, "E_OUTOFMEMORY"},
                      TextCase{0x80070057, "DDERR_INVALIDPARAMS"}));

INSTANTIATE_TEST_SUITE_P(Unknown, DirectXResultTextTest,
                         ::testing::Values(TextCase{0x80004003, "80004003"}, TextCase{0x8876FFFF, "8876ffff"},
                                           TextCase{0x887602BE, "887602be"}, TextCase{0x88790096, "88790096"},
                                           TextCase{0xA, "a"}));

// Names are upper case; the hexadecimal fallback is digits and lower case.
int NamedCodesFrom(uint32_t first, uint32_t count)
{
    int named = 0;
    for (uint32_t code = first; code < first + count; ++code) {
        const char initial = Vorn::DirectXResultText(static_cast<int32_t>(code))[0];
        named += initial >= 'A' && initial <= 'Z';
    }
    return named;
}

TEST(DirectXResultText, Names193Codes)
{
    const int shared = NamedCodesFrom(0x80004001, 5) + NamedCodesFrom(0x80040110, 1) + NamedCodesFrom(0x800401F0, 1)
                       + NamedCodesFrom(0x8007000E, 1) + NamedCodesFrom(0x80070057, 1);
    EXPECT_EQ(shared + NamedCodesFrom(0x88760000, 0x10000) + NamedCodesFrom(0x88780000, 0x10000), 193);
}

} // namespace
