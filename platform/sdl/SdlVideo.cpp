#include "platform/sdl/SdlVideo.h"

#include <SDL.h>

#include <cstring>

namespace Platform::Detail {

VideoSubsystem::VideoSubsystem()
{
    // Closing the last window is a close request to the application, which
    // decides; SDL must not turn it into a quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    mUp = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!mUp)
        mError = SDL_GetError();
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
