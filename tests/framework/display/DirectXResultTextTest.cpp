#include "framework/display/DirectXResultText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace {

TEST(DirectXResultText, GivesTheNameOrTheHexNumber)
{
    const std::pair<uint32_t, const char*> cases[] = {{0x88760005, "DDERR_ALREADYINITIALIZED"},
        {0x887601C2, "DDERR_SURFACELOST"}, {0x887602BB, "DDERR_DEVICEDOESNTOWNSURFACE"},
        {0x887602BC, "D3DERR_BADMAJORVERSION"}, {0x88760836, "D3DERR_NOTINBEGINSTATEBLOCK"},
        {0x8878000A, "DSERR_ALLOCATED"}, {0x887800AA, "DSERR_UNINITIALIZED"},
        // Values shared between the families.
        {0x80004001, "DDERR_UNSUPPORTED"}, {0x80004002, "DSERR_NOINTERFACE"}, {0x80004005, "DSERR_GENERIC"},
        {0x80040110, "DSERR_NOAGGREGATION"}, {0x800401F0, "DDERR_NOTINITIALIZED"}, {0x8007000E, "E_OUTOFMEMORY"},
        {0x80070057, "DDERR_INVALIDPARAMS"},
        {0x80004003, "80004003"}, {0x8876FFFF, "8876ffff"}, {0x887602BE, "887602be"}, {0x88790096, "88790096"},
        {0xA, "a"}};
    for (const auto& [code, text] : cases)
        EXPECT_EQ(Vorn::DirectXResultText(static_cast<int32_t>(code)), text) << std::hex << code;
}

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
