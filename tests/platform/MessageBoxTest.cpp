#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

using namespace Platform;

// Sets SDL's video driver for one test and puts the old choice back.
class VideoDriver {
public:
    explicit VideoDriver(const char* name)
    {
        if (const char* old = std::getenv("SDL_VIDEODRIVER"))
            mOld = old;
        setenv("SDL_VIDEODRIVER", name, 1);
    }
    ~VideoDriver() { mOld ? setenv("SDL_VIDEODRIVER", mOld->c_str(), 1) : unsetenv("SDL_VIDEODRIVER"); }
    VideoDriver(const VideoDriver&) = delete;
    VideoDriver& operator=(const VideoDriver&) = delete;

private:
    std::optional<std::string> mOld;
};

struct StyleCase {
    const char* name;
    uint32_t flags;
    int answer;
};

void PrintTo(const StyleCase& c, std::ostream* os)
{
    *os << c.name;
}

class HeadlessMessageBox : public testing::TestWithParam<StyleCase> {
protected:
    // A driver that shows nothing, even on a desktop: no box may wait for a
    // person during the tests.
    VideoDriver mDriver{"dummy"};
};

TEST_P(HeadlessMessageBox, WritesCaptionAndTextAndAnswersTheFirstButton)
{
    testing::internal::CaptureStderr();
    const int answer = ShowMessageBox("Caf\xE9 closed", "Mode Switch", GetParam().flags);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Mode Switch: Caf\u00E9 closed\n");
    EXPECT_EQ(answer, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(MessageBox, HeadlessMessageBox,
                         testing::Values(StyleCase{"Ok", MB_OK | MB_ICONERROR, IDOK},
                                         StyleCase{"OkCancel", MB_OKCANCEL, IDOK},
                                         StyleCase{"AbortRetryIgnore", MB_ABORTRETRYIGNORE, IDABORT},
                                         StyleCase{"YesNoCancel", MB_YESNOCANCEL, IDYES},
                                         StyleCase{"YesNo", MB_YESNO | MB_ICONQUESTION, IDYES},
                                         StyleCase{"RetryCancel", MB_RETRYCANCEL, IDRETRY},
                                         StyleCase{"UnknownButtonsShowOk", 0xF, IDOK}),
                         [](const testing::TestParamInfo<StyleCase>& info) { return std::string(info.param.name); });

TEST(MessageBox, NoVideoAtAllFallsBackToStandardError)
{
    const VideoDriver driver("no-such-driver");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ShowMessageBox("Failed to initialize", "FATAL ERROR", MB_ICONERROR), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "FATAL ERROR: Failed to initialize\n");
}

} // namespace
