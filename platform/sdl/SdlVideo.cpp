#include "platform/sdl/SdlVideo.h"

#include "platform/Window.h"

#include <SDL.h>

#include <cstring>

namespace Platform::Detail {

VideoSubsystem::VideoSubsystem()
{
    // Closing the last window is a close request to the application, which
    // decides; SDL must not turn it into a quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // The window surface stays a plain framebuffer: frames are made in
    // software, and a 3D context behind it would only slow the start.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The click that brings the window to the front is a click: the player
    // aimed it at a button or a ball, and a window manager that focuses on
    // click hands it over just after the focus, which SDL would drop.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    mUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!mUp) {
        mError = SDL_GetError();
        return;
    }
    // Without a desktop SDL falls back to drawing nowhere, and the program
    // would run on unseen. Only an explicit request (tests, headless runs)
    // gets such a driver.
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if ((requested == nullptr || *requested == '\0') && IsHeadless()) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        mUp = false;
        mError = "No display to show a window on (neither DISPLAY nor WAYLAND_DISPLAY reaches one)";
    }
}

VideoSubsystem::~VideoSubsystem()
{
    if (mUp)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool VideoSubsystem::IsHeadless() const
{
    if (!mUp)
        return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0;
}

} // namespace Platform::Detail

namespace Platform {

bool WindowsAreSeen()
{
    const Detail::VideoSubsystem video;
    return !video.IsHeadless();
}

} // namespace Platform
