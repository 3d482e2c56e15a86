#include "platform/SystemInfo.h"

#include <SDL.h>

namespace Platform {

std::string MediaLibraryVersion()
{
    SDL_version version{};
    SDL_GetVersion(&version);
    return "SDL " + std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.patch);
}

} // namespace Platform
