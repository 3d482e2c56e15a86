#include "platform/Clipboard.h"

#include "platform/sdl/SdlVideo.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using Platform::GetClipboardText;
using Platform::SetClipboardText;

TEST(Clipboard, TextTravelsAsUtf8AndComesBackIn1252OnlyWithADisplay)
{
    EXPECT_FALSE(SetClipboardText("lost"));
    EXPECT_EQ(GetClipboardText(), "");
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    const Platform::Detail::VideoSubsystem video;
    ASSERT_TRUE(video.IsUp()) << video.Error();
    ASSERT_TRUE(SetClipboardText("Caf\xE9 \x80"));
    char* stored = SDL_GetClipboardText();
    EXPECT_STREQ(stored, "Caf\u00E9 \u20AC");
    SDL_free(stored);
    EXPECT_EQ(GetClipboardText(), "Caf\xE9 \x80");
}

} // namespace
