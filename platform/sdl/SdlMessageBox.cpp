#include "platform/MessageBox.h"

#include "platform/TextEncoding.h"
#include "platform/Thread.h"
#include "platform/sdl/SdlVideo.h"
#include "platform/sdl/SdlWindow.h"

#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <latch>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace Platform {

namespace {

struct Button {
    int answer;
    const char* label;
};

std::vector<Button> ButtonsOf(uint32_t flags)
{
    const Button ok{IDOK, "OK"}, cancel{IDCANCEL, "Cancel"}, yes{IDYES, "Yes"}, no{IDNO, "No"};
    const Button abort{IDABORT, "Abort"}, retry{IDRETRY, "Retry"}, ignore{IDIGNORE, "Ignore"};
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {ok, cancel};
    case MB_ABORTRETRYIGNORE: return {abort, retry, ignore};
    case MB_YESNOCANCEL: return {yes, no, cancel};
    case MB_YESNO: return {yes, no};
    case MB_RETRYCANCEL: return {retry, cancel};
    default: return {ok};
    }
}

Uint32 IconOf(uint32_t flags)
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return SDL_MESSAGEBOX_ERROR;
    case MB_ICONWARNING: return SDL_MESSAGEBOX_WARNING;
    // SDL has no question mark; the information icon comes closest.
    case MB_ICONQUESTION:
    case MB_ICONINFORMATION: return SDL_MESSAGEBOX_INFORMATION;
    default: return 0;
    }
}

int AnswerUnseen(const std::string& text, const std::string& caption, const std::vector<Button>& buttons)
{
    const std::string line = Windows1252ToUtf8(caption) + ": " + Windows1252ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return buttons.front().answer;
}

// SDL shows the box in a child process and waits for it, deaf to signals:
// a termination request is passed on to that child, so that the box closes
// and the program ends as it would without one. Children the calling thread
// had before the box are left alone.
//
// The child is forked while the watcher runs, and under the sanitizers'
// allocator a fork taken while another thread holds the allocator's lock
// leaves the child hung on it before the box ever shows. So the box waits
// until the watcher has started (a starting thread allocates), and until a
// request comes the watcher allocates nothing. Once a request has come, a
// child that hung that way is killed like any other.
class TerminationWatch {
public:
    TerminationWatch()
        : mThreadId(static_cast<pid_t>(CurrentThreadId())), mBefore(Children()),
          mWatcher(StartThread([this] { Watch(); }))
    {
        mStarted.wait();
    }

    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

    ~TerminationWatch()
    {
        mStop = true;
        mWatcher.join();
    }

private:
    std::set<pid_t> Children() const
    {
        std::ifstream list("/proc/self/task/" + std::to_string(mThreadId) + "/children");
        std::set<pid_t> children;
        for (pid_t child = 0; list >> child;)
            children.insert(child);
        return children;
    }

    void Watch() const
    {
        constexpr auto kPollInterval = std::chrono::milliseconds(20);
        mStarted.count_down();
        while (!mStop && !Detail::TerminationRequested())
            std::this_thread::sleep_for(kPollInterval);
        while (!mStop) {
            for (const pid_t child : Children()) {
                if (!mBefore.contains(child))
                    kill(child, SIGKILL);
            }
            std::this_thread::sleep_for(kPollInterval);
        }
    }

    const pid_t mThreadId;
    const std::set<pid_t> mBefore;
    mutable std::latch mStarted{1};
    std::atomic<bool> mStop{false};
    std::thread mWatcher;
};

} // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags)
{
    const std::vector<Button> buttons = ButtonsOf(flags);
    const Detail::VideoSubsystem video;
    if (video.IsHeadless())
        return AnswerUnseen(text, caption, buttons);
    // A box may come before any window (a fatal error at start-up): SDL's
    // own handler, installed with the video, would leave the request queued
    // for a pump that never runs, and the box open.
    Detail::InstallTerminationHandler();

    const bool hasCancel =
        std::any_of(buttons.begin(), buttons.end(), [](const Button& b) { return b.answer == IDCANCEL; });
    std::vector<SDL_MessageBoxButtonData> data;
    for (size_t i = 0; i < buttons.size(); ++i) {
        Uint32 buttonFlags = 0;
        if (i == 0)
            buttonFlags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (buttons[i].answer == IDCANCEL || (!hasCancel && buttons.size() == 1))
            buttonFlags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back({buttonFlags, buttons[i].answer, buttons[i].label});
    }
    const std::string utf8Text = Windows1252ToUtf8(text);
    const std::string utf8Caption = Windows1252ToUtf8(caption);
    const SDL_MessageBoxData box = {IconOf(flags) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                    nullptr,
                                    utf8Caption.c_str(),
                                    utf8Text.c_str(),
                                    static_cast<int>(data.size()),
                                    data.data(),
                                    nullptr};
    int answer = -1;
    int shown = 0;
    {
        const TerminationWatch watch;
        shown = SDL_ShowMessageBox(&box, &answer);
    }
    if (Detail::TerminationRequested())
        return hasCancel ? IDCANCEL : buttons.front().answer;
    if (shown != 0)
        return AnswerUnseen(text, caption, buttons);
    if (answer < 0)
        return hasCancel ? IDCANCEL : buttons.front().answer;
    return answer;
}

} // namespace Platform
