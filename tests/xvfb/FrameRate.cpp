// frame_rate: the framework's application and main loop in the system's
// window "Zarquel frame rate", 800 x 600 and black, its system fonts pinned
// to DejaVu Sans. Among the developer keys (after Ctrl+Alt+D), F3 switches
// the frame-rate overlay on and off, as the application's own F3 does.
// Prints "Frame drawn" once the first frame is shown and "overlay on" or
// "overlay off" at each F3; ends 0 when its window is closed.

#include "fakes/PinnedFonts.h"
#include "framework/app/VornAppBase.h"
#include "framework/widgets/WidgetManager.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kF3 = 0x72;

class FrameRateApp : public Vorn::VornAppBase {
public:
    FrameRateApp()
    {
        mProductName = "Zarquel frame rate";
        mTitle = mProductName;
        mWidth = 800;
        mHeight = 600;
    }

    bool DrawDirty() override
    {
        const bool drawn = VornAppBase::DrawDirty();
        if (drawn && !mShown) {
            mShown = true;
            Say("Frame drawn");
        }
        return drawn;
    }
    bool HandleDebugKey(int key) override
    {
        if (key != kF3)
            return false;
        mShowFPS = !mShowFPS;
        mForceFrameRate = true;
        mWidgetManager->MarkAllDirty();
        Say(mShowFPS ? "overlay on" : "overlay off");
        return true;
    }

private:
    static void Say(const std::string& line)
    {
        std::puts(line.c_str());
        std::fflush(stdout);
    }

    bool mShown = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (!Testing::PinSystemFonts())
        return 2;
    const auto app = std::make_unique<FrameRateApp>();
    app->SetCommandLine(argc, argv);
    app->Init();
    app->Start();
    return 0;
}
