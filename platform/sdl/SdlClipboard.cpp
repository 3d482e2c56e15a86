#include "platform/Clipboard.h"

#include "platform/TextEncoding.h"

#include <SDL.h>

namespace Platform {

bool SetClipboardText(const std::string& text)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    return SDL_SetClipboardText(Windows1252ToUtf8(text).c_str()) == 0;
}

std::string GetClipboardText()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return {};
    char* utf8 = SDL_GetClipboardText();
    if (!utf8)
        return {};
    std::string text = Utf8ToWindows1252(utf8);
    SDL_free(utf8);
    return text;
}

} // namespace Platform
