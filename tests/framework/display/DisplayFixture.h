#pragma once
// An 800 x 600 application, its display and a scripted window; no debug output.

#include "fakes/FakeWindow.h"
#include "fakes/ScriptedApp.h"
#include "framework/display/DDInterface.h"
#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <string>

namespace Testing {

class DisplayFixture : public testing::Test {
protected:
    DisplayFixture() { app.mWidth = 800, app.mHeight = 600; }
    ~DisplayFixture() override { Platform::SetDebugSink(mSink); }

    int Init(bool windowed, int depth = 32, Platform::Size desktop = {1024, 768}, bool withWindow = true)
    {
        window.desktopSize = desktop, app.mColorDepth = depth;
        window.Create({"", app.mWidth, app.mHeight,
            windowed ? Platform::WindowStyle::Framed : Platform::WindowStyle::FullScreen, {}});
        return display.Init(withWindow ? &window : nullptr, windowed);
    }

    Platform::DebugSink mSink = Platform::SetDebugSink([](std::string_view) {});
    ScriptedClock clock;
    ScriptedApp app{clock};
    FakeWindow window;
    Vorn::DDInterface display{&app};
};

template <typename Case>
std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

} // namespace Testing
