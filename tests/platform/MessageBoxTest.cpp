#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

using namespace Platform;

// The dummy driver shows nothing, even on a desktop: no box may wait for a
// person during the tests.
TEST(MessageBox, HeadlessOrWithoutVideoWritesCaptionAndTextAndAnswersTheFirstButton)
{
    const char* old = std::getenv("SDL_VIDEODRIVER");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const struct { uint32_t flags; int answer; } cases[] = {
        {MB_OK | MB_ICONERROR, IDOK}, {MB_OKCANCEL, IDOK}, {MB_ABORTRETRYIGNORE, IDABORT},
        {MB_YESNOCANCEL, IDYES}, {MB_YESNO | MB_ICONQUESTION, IDYES}, {MB_RETRYCANCEL, IDRETRY}, {0xF, IDOK}};
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(ShowMessageBox("Caf\xE9 closed", "Mode Switch", c.flags), c.answer) << c.flags;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mode Switch: Caf\u00E9 closed\n");
    }
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox("Failed to initialize", "FATAL ERROR", MB_ICONERROR), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "FATAL ERROR: Failed to initialize\n");
    saved ? setenv("SDL_VIDEODRIVER", saved->c_str(), 1) : unsetenv("SDL_VIDEODRIVER");
}

} // namespace
