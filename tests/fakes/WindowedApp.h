#pragma once
// A scripted application with a main window. Its windows are FakeWindows;
// its widget manager writes down every call that reaches the widgets as
// "<update> <call> <arguments>"; the hooks of the window procedure write
// into a log of their own; a test may script the display's answers. Send
// passes a message through the window's pump into the window procedure, as
// the desktop delivers it.

#include "fakes/FakeWindow.h"
#include "fakes/ScriptedApp.h"
#include "framework/widgets/WidgetManager.h"

#include <cstdio>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Vorn {

inline void PrintTo(const DemoCommand& c, std::ostream* os)
{
    *os << "{type " << static_cast<int>(c.type) << ", " << c.x << ", " << c.y << ", " << c.code << ", " << c.flag
        << "}";
}

} // namespace Vorn

namespace Testing {

class RecordingWidgetManager : public Vorn::WidgetManager {
public:
    RecordingWidgetManager(Vorn::VornAppBase* app, std::vector<std::string>& log) : WidgetManager(app), mLog(log) {}

    bool MouseMove(int x, int y) override { return Log("move", x, y); }
    bool MouseDown(int x, int y, int click) override { return Log("down", x, y, click); }
    bool MouseUp(int x, int y, int click) override { return Log("up", x, y, click); }
    bool MouseExit() override { return Log("exit"); }
    void MouseWheel(int steps) override { Log("wheel", steps); }
    bool KeyDown(int key) override { return Log("key down", key); }
    bool KeyUp(int key) override { return Log("key up", key); }
    bool KeyChar(char c) override { return Log("char", static_cast<unsigned char>(c)); }
    void GotFocus() override { Log("focus"); }
    void LostFocus() override { Log("focus lost"); }
    void MarkAllDirty() override { Log("dirty"); }
    void SystemColorsChangedAll() override { Log("colours"); }

private:
    template <typename... Values>
    bool Log(const char* call, Values... values)
    {
        std::string entry = std::to_string(mApp->mUpdateCount) + " " + call;
        ((entry += " " + std::to_string(values)), ...);
        mLog.push_back(entry);
        return true;
    }

    std::vector<std::string>& mLog;
};

class WindowedApp : public ScriptedApp {
public:
    explicit WindowedApp(ScriptedClock& clock) : ScriptedApp(clock)
    {
        mWidth = 800;
        mHeight = 600;
        mWidgetManager = std::make_unique<RecordingWidgetManager>(this, mCalls);
        mMakeWindow = [this] {
            auto window = std::make_unique<FakeWindow>();
            window->workArea = mWorkArea;
            window->frame = mWindowFrame;
            window->focused = mWindowFocused;
            window->createError = mCreateError;
            mWindow = window.get();
            return window;
        };
    }

    void Send(const Platform::MessageRecord& message)
    {
        mWindow->Inject(message);
        mWindow->PumpMessages();
    }

    void DispatchAll()
    {
        while (DispatchQueuedMessages()) {
        }
    }

    // The commands recorded so far, up to the current update.
    std::vector<Vorn::DemoCommand> Recorded() const
    {
        Vorn::DemoStream player(Vorn::DemoMode::Playing);
        player.GetBuffer() = mDemoStream.GetBuffer();
        player.GetBuffer().SetReadPosition(0);
        std::vector<Vorn::DemoCommand> commands;
        for (int32_t update = 0; update <= mUpdateCount; ++update) {
            while (const std::optional<Vorn::DemoCommand> command = player.ReplayNextCommand(update))
                commands.push_back(*command);
        }
        return commands;
    }

    // The display answers the scripted codes first, then for itself.
    int32_t InitDisplay() override
    {
        mHooks.push_back("InitDisplay");
        if (mDisplayResults.empty())
            return ScriptedApp::InitDisplay();
        const int32_t result = mDisplayResults.front();
        mDisplayResults.pop_front();
        return result;
    }
    void ChangeScreenModeKeep3D(bool windowed) override
    {
        mHooks.push_back(windowed ? "windowed" : "full screen");
        if (mRealScreenModes)
            ScriptedApp::ChangeScreenModeKeep3D(windowed);
    }
    void CloseRequest() override { mHooks.push_back("CloseRequest"); }
    void ApplyCursor() override { mHooks.push_back("ApplyCursor"); }
    void Redraw(const Vorn::Rect*) override { mHooks.push_back("Redraw"); }
    void OnWebPageFailed(const std::string& url) override { mHooks.push_back("failed " + url); }
    // Death tests read it on standard error.
    void ShowFatalError(const std::string& text) override { std::fprintf(stderr, "fatal %s\n", text.c_str()); }
    bool UsesAltKey(int key) override
    {
        mHooks.push_back("UsesAltKey " + std::to_string(key));
        return false;
    }
    bool HandleDebugKey(int key) override
    {
        mHooks.push_back("HandleDebugKey " + std::to_string(key));
        return mDebugKeyTaken;
    }
    bool PreviewKeyDown(int key, bool ctrl, bool alt) override
    {
        mHooks.push_back("PreviewKeyDown " + std::to_string(key) + (ctrl ? " ctrl" : "") + (alt ? " alt" : ""));
        return key == mPreviewedKey;
    }

    FakeWindow* mWindow = nullptr;
    // What the next window is made with.
    Platform::Rect mWorkArea{0, 0, 1024, 740};
    Platform::FrameMargins mWindowFrame;
    bool mWindowFocused = true;
    std::string mCreateError;

    std::vector<std::string> mCalls;
    std::vector<std::string> mHooks;
    std::deque<int32_t> mDisplayResults;
    bool mRealScreenModes = false;
    bool mDebugKeyTaken = false;
    int mPreviewedKey = -1;
};

} // namespace Testing
