#pragma once
// An 800 x 600 application whose own display (the one its images report to)
// runs in a scripted window, with a registry key of its own.

#include "fakes/FakeWindow.h"
#include "fakes/ScriptedApp.h"
#include "framework/display/DDInterface.h"
#include "platform/DebugOutput.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace Testing {

class AppDisplayFixture : public testing::Test {
protected:
    ~AppDisplayFixture() override
    {
        app.mDDInterface.reset();
        Platform::SetDebugSink(mSink);
    }

    int Init(bool windowed)
    {
        window.desktopSize = {1024, 768};
        app.mColorDepth = 32;
        window.Create({"", app.mWidth, app.mHeight,
            windowed ? Platform::WindowStyle::Framed : Platform::WindowStyle::FullScreen, {}});
        return display.Init(&window, windowed);
    }

    Platform::DebugSink mSink = Platform::SetDebugSink([](std::string_view) {});
    ScriptedClock clock;
    ScriptedApp app{clock};
    FakeWindow window;
    Vorn::DDInterface& display = Attach();

private:
    Vorn::DDInterface& Attach()
    {
        app.mWidth = 800;
        app.mHeight = 600;
        app.mRegKey = "Tavoren\\Zarquel";
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        return *app.mDDInterface;
    }
};

} // namespace Testing
