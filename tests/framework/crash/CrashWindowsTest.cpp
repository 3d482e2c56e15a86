#include "framework/crash/CrashWindows.h"

#include "fakes/FakeWindow.h"
#include "fakes/FixedFont.h"
#include "fakes/LoopbackServer.h"
#include "platform/MessageBox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using CrashCatcher::CrashUpload;
using CrashCatcher::CrashWindows;
using ::testing::Contains;
using ::testing::ElementsAre;
using Testing::FakeWindow;
using Testing::FixedFont;

const std::string kReport = "Exception: Access Violation (code 0xc0000005)\r\nModule: zarquel\r\n";

// Windows and fonts as the crash windows make them, kept for the test to
// drive and read; message boxes answered with a script.
class CrashWindowsTest : public ::testing::Test {
protected:
    CrashWindows& Make(bool hasApplication)
    {
        mWindows = std::make_unique<CrashWindows>(
            mUpload, hasApplication, mTransfer,
            [this] {
                auto window = std::make_unique<FakeWindow>();
                mMade.push_back(window.get());
                return window;
            },
            [this](const std::string& face, int pointSize, bool bold) {
                auto font = std::make_unique<FixedFont>();
                mFonts.push_back({face + " " + std::to_string(pointSize) + (bold ? " bold" : ""), font.get()});
                return font;
            },
            [this](const std::string& text, const std::string& caption, uint32_t flags) {
                mBoxes.push_back(caption + ": " + text + " " + std::to_string(flags));
                const int answer = mAnswers.empty() ? Platform::IDCANCEL : mAnswers.front();
                if (!mAnswers.empty())
                    mAnswers.erase(mAnswers.begin());
                return answer;
            });
        return *mWindows;
    }

    FixedFont& Font(const std::string& name)
    {
        for (auto& [fontName, font] : mFonts) {
            if (fontName == name)
                return *font;
        }
        ADD_FAILURE() << "no font " << name;
        return *mFonts.front().second;
    }

    void Click(FakeWindow& window, int x, int y)
    {
        const intptr_t at = x | y << 16;
        window.Inject({Platform::WM_LBUTTONDOWN, Platform::MK_LBUTTON, at});
        window.Inject({Platform::WM_LBUTTONUP, 0, at});
        mWindows->Step();
    }

    // Steps until the flag is set or the bound runs out, firing the timers
    // of the window as their time would come.
    bool StepUntilExit(FakeWindow& window)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            window.FireTimers();
            if (!mWindows->Step())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    CrashUpload mUpload;
    Vorn::HTTPTransfer mTransfer;
    std::vector<FakeWindow*> mMade;
    std::vector<std::pair<std::string, FixedFont*>> mFonts;
    std::vector<std::string> mBoxes;
    std::vector<int> mAnswers;
    std::unique_ptr<CrashWindows> mWindows;
};

TEST_F(CrashWindowsTest, WithoutAServerTheReportHasOneWideCloseNow)
{
    CrashWindows& windows = Make(true);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "Exception at 0001:000005A3"));
    ASSERT_EQ(mMade.size(), 1u);
    FakeWindow& fatal = *mMade[0];
    EXPECT_EQ(fatal.Title(), "Fatal Error!");
    EXPECT_THAT(fatal.Calls(), ElementsAre("Create 400x300 Framed", "Show activate"));
    EXPECT_EQ(fatal.Position(), (Platform::Point{64, 64}));
    EXPECT_TRUE(fatal.Visible());
    ASSERT_EQ(fatal.Presents().size(), 1u);
    EXPECT_EQ(fatal.Presents()[0].width, 400);
    EXPECT_EQ(fatal.Presents()[0].pixels[0], 0xFFF0F0F0u);

    EXPECT_THAT(Font("Arial 9 bold").mRuns,
                ElementsAre("An unexpected error has occured!@10,20 #ff000000", "Close Now@173,283 #ff000000"));
    EXPECT_THAT(Font("Courier New 8").mRuns,
                ElementsAre("Exception: Access Violation (code 0xc0000005)@11,105 #ff000000",
                            "Module: zarquel@11,121 #ff000000"));
    EXPECT_EQ(mUpload.errorTitle, "Exception at 0001:000005A3");
    EXPECT_EQ(mUpload.errorText, kReport);

    EXPECT_TRUE(windows.Step());
    EXPECT_EQ(fatal.Presents().size(), 1u);
    Click(fatal, 100, 280);
    EXPECT_TRUE(windows.ExitRequested());
    EXPECT_FALSE(windows.Step());
}

TEST_F(CrashWindowsTest, ClosingTheReportEndsTheLoop)
{
    CrashWindows& windows = Make(false);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "Exception at 0001:000005A3"));
    mMade[0]->Inject({Platform::WM_CLOSE, 0, 0});
    EXPECT_FALSE(windows.Step());
}

TEST_F(CrashWindowsTest, WithoutAnApplicationSendReportIsShownDisabled)
{
    mUpload.uploadAddress = "reports.example";
    CrashWindows& windows = Make(false);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "title"));
    EXPECT_THAT(Font("Arial 9 bold").mRuns,
                ElementsAre("An unexpected error has occured!@10,20 #ff000000", "Send Report@70,284 #ffffffff",
                            "Send Report@69,283 #ffa0a0a0", "Close Now@271,283 #ff000000"));
    Click(*mMade[0], 100, 280);
    EXPECT_EQ(mMade.size(), 1u);
    EXPECT_FALSE(windows.ExitRequested());
    Click(*mMade[0], 300, 280);
    EXPECT_TRUE(windows.ExitRequested());
}

TEST_F(CrashWindowsTest, TheUsersTextIsSentAndTheServersAnswerEndsTheLoop)
{
    Testing::LoopbackServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}}, false);
    mUpload.uploadAddress = "127.0.0.1:" + std::to_string(server.Port());
    mUpload.productName = "Zarquel";
    CrashWindows& windows = Make(true);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "Exception at 0001:000005A3"));
    Click(*mMade[0], 100, 280);
    EXPECT_FALSE(mMade[0]->Visible());
    ASSERT_EQ(mMade.size(), 2u);
    FakeWindow& details = *mMade[1];
    EXPECT_EQ(details.Title(), "Error Details");
    EXPECT_EQ(details.Position(), (Platform::Point{80, 80}));
    EXPECT_TRUE(details.Visible());

    // The field has the keys: typed text longer than 8191 characters is cut.
    for (int i = 0; i < 8200; ++i)
        details.Inject({Platform::WM_CHAR, static_cast<uintptr_t>(i < 8190 ? 'a' : 'b'), 0});
    windows.Step();
    Click(details, 100, 280);
    EXPECT_EQ(mUpload.userText, std::string(8190, 'a') + "b");
    EXPECT_FALSE(details.Visible());
    ASSERT_EQ(mMade.size(), 3u);
    FakeWindow& progress = *mMade[2];
    EXPECT_EQ(progress.Title(), "Submitting Report");
    EXPECT_THAT(progress.Calls(), Contains("Create 240x64 Framed"));
    EXPECT_THAT(progress.Calls(), Contains("SetTimer 0 20"));
    EXPECT_THAT(progress.Calls(), Contains("SetTimer 1 1000"));
    EXPECT_THAT(Font("Tahoma 10 bold").mRuns, ElementsAre("Please Wait@26,22 #ff000000"));
    EXPECT_THAT(Font("Tahoma 8").mRuns, ElementsAre("Abort@105,50 #ff000000"));

    const std::string request = server.Request();
    EXPECT_NE(request.find("name=\"usertext\"\r\n\r\n" + std::string(8190, 'a') + "b\r\n"), std::string::npos);
    EXPECT_NE(request.find("name=\"prod\"\r\n\r\nZarquel\r\n"), std::string::npos);
    EXPECT_TRUE(StepUntilExit(progress));
    EXPECT_TRUE(mBoxes.empty());
}

TEST_F(CrashWindowsTest, AbortInTheDetailsEndsTheLoop)
{
    mUpload.uploadAddress = "reports.example";
    CrashWindows& windows = Make(true);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "title"));
    Click(*mMade[0], 100, 280);
    Click(*mMade[1], 300, 280);
    EXPECT_TRUE(windows.ExitRequested());
    EXPECT_EQ(mMade.size(), 2u);
}

TEST_F(CrashWindowsTest, ClosingTheProgressWindowAbortsTheUploadWhichEndsTheLoop)
{
    Testing::LoopbackServer server({}, false);
    mUpload.uploadAddress = "127.0.0.1:" + std::to_string(server.Port());
    CrashWindows& windows = Make(true);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "title"));
    Click(*mMade[0], 100, 280);
    Click(*mMade[1], 100, 280);
    FakeWindow& progress = *mMade[2];
    // Twelve seconds of waiting: "Please Wait" and two dots.
    for (int second = 0; second < 12; ++second)
        progress.Inject({Platform::WM_TIMER, CrashWindows::kDotTimer, 0});
    EXPECT_TRUE(windows.Step());
    EXPECT_EQ(windows.DotCount(), 12);
    EXPECT_EQ(Font("Tahoma 10 bold").mRuns.back(), "Please Wait . .@26,22 #ff000000");

    ASSERT_TRUE(server.WaitForRequest());
    progress.Inject({Platform::WM_CLOSE, 0, 0});
    EXPECT_TRUE(windows.Step());
    EXPECT_FALSE(windows.ExitRequested());
    EXPECT_TRUE(StepUntilExit(progress));
    EXPECT_EQ(mTransfer.GetResultCode(), Vorn::HTTPTransfer::kAborted);
    EXPECT_TRUE(mBoxes.empty());
}

TEST_F(CrashWindowsTest, AFailedUploadAsksToRetryAndCancelEnds)
{
    mUpload.uploadAddress = "127.0.0.1:" + std::to_string(Testing::LoopbackServer::ClosedPort());
    mAnswers = {Platform::IDRETRY, Platform::IDCANCEL};
    CrashWindows& windows = Make(true);
    ASSERT_TRUE(windows.ShowFatalWindow(kReport, "title"));
    Click(*mMade[0], 100, 280);
    Click(*mMade[1], 100, 280);
    EXPECT_TRUE(StepUntilExit(*mMade[2]));
    const std::string box = "Connection Failed: Failed to connect to server. " + std::to_string(Platform::MB_RETRYCANCEL);
    EXPECT_THAT(mBoxes, ElementsAre(box, box));
    EXPECT_EQ(mTransfer.GetResultCode(), Vorn::HTTPTransfer::kIdle);
}

TEST_F(CrashWindowsTest, AWindowThatCannotBeMadeIsReported)
{
    CrashWindows windows(
        mUpload, true, mTransfer,
        [] {
            auto window = std::make_unique<FakeWindow>();
            window->createError = "no display";
            return window;
        },
        [](const std::string&, int, bool) { return std::make_unique<FixedFont>(); },
        [](const std::string&, const std::string&, uint32_t) { return 0; });
    EXPECT_FALSE(windows.ShowFatalWindow(kReport, "title"));
}

} // namespace
