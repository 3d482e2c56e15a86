#include "framework/display/DirectXResultText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace {

// Names are upper case; the hexadecimal fallback is digits and lower case.
TEST(DirectXResultText, GivesTheNameOrTheHexNumberAndNames193Codes)
{
    const std::pair<uint32_t, const char*> cases[] = {{0x88760005, "DDERR_ALREADYINITIALIZED"},
        {0x887602BB, "DDERR_DEVICEDOESNTOWNSURFACE"}, {0x887602BC, "D3DERR_BADMAJORVERSION"},
        {0x88760836, "D3DERR_NOTINBEGINSTATEBLOCK"}, {0x887800AA, "DSERR_UNINITIALIZED"},
        {0x80004001, "DDERR_UNSUPPORTED"}, {0x80004002, "DSERR_NOINTERFACE"}, {0x8007000E, "E_OUTOFMEMORY"},
        {0x80070057, "DDERR_INVALIDPARAMS"}, {0x80004003, "80004003"}, {0x887602BE, "887602be"}, {0xA, "a"}};
    for (const auto& [code, text] : cases)
        EXPECT_EQ(Vorn::DirectXResultText(static_cast<int32_t>(code)), text) << std::hex << code;
    int named = 0;
    for (const auto& [first, count] : {std::pair{0x80004001u, 5u}, {0x80040110u, 1u}, {0x800401F0u, 1u},
             {0x8007000Eu, 1u}, {0x80070057u, 1u}, {0x88760000u, 0x10000u}, {0x88780000u, 0x10000u}})
        for (uint32_t code = first; code < first + count; ++code) {
            const char initial = Vorn::DirectXResultText(static_cast<int32_t>(code))[0];
            named += initial >= 'A' && initial <= 'Z';
        }
    EXPECT_EQ(named, 193);
}

} // namespace
