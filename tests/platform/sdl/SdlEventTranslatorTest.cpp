#include "platform/sdl/SdlEventTranslator.h"

#include "fakes/FakeWindow.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace Platform;

SDL_Event Key(bool down, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0)
{
    return {.key = {Uint32(down ? SDL_KEYDOWN : SDL_KEYUP), 0, 0, 0, repeat, 0, 0, {scancode, sym, mod, 0}}};
}

SDL_Event Text(const char* utf8)
{
    SDL_Event event = {.type = SDL_TEXTINPUT};
    std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
    return event;
}

SDL_Event Button(bool down, Uint8 button, Uint8 clicks)
{
    return {.button = {Uint32(down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP), 0, 0, 0, button, 0, clicks, 0, 4, 2}};
}

SDL_Event Motion(int x, int y, Uint32 buttons = 0)
{
    return {.motion = {SDL_MOUSEMOTION, 0, 0, 0, buttons, x, y, 0, 0}};
}

SDL_Event Wheel(Sint32 y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL)
{
    return {.wheel = {SDL_MOUSEWHEEL, 0, 0, 0, 0, y, direction, 0, 0, 7, 9}};
}

SDL_Event WindowEvent(Uint8 kind, Sint32 data1 = 0, Sint32 data2 = 0)
{
    return {.window = {SDL_WINDOWEVENT, 0, 0, kind, 0, 0, 0, data1, data2}};
}

constexpr intptr_t kA = 0x001E0001; // repeat 1, scan code 0x1E
constexpr intptr_t kAltF = 0x20210001; // Alt held, scan code 0x21
constexpr intptr_t kAt = 0x00020004; // the buttons' position

TEST(EventTranslator, GivesTheWindowsMessagesInOrder)
{
    const struct { const char* name; std::vector<SDL_Event> events; std::vector<MessageRecord> expected; } cases[] = {
        {"letter", {Key(true, SDL_SCANCODE_A, 'a'), Text("a"), Key(false, SDL_SCANCODE_A, 'a')},
         {{WM_KEYDOWN, 'A', kA}, {WM_CHAR, 'a', kA}, {WM_KEYUP, 'A', 0xC01E0001}}},
        {"auto-repeat", {Key(true, SDL_SCANCODE_A, 'a', KMOD_NONE, 1)}, {{WM_KEYDOWN, 'A', 0x401E0001}}},
        {"editing keys type control characters",
         {Key(true, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), Key(true, SDL_SCANCODE_TAB, SDLK_TAB),
          Key(true, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), Key(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE)},
         {{WM_KEYDOWN, VK_BACK, 0x000E0001}, {WM_CHAR, 8, 0x000E0001}, {WM_KEYDOWN, VK_TAB, 0x000F0001},
          {WM_CHAR, 9, 0x000F0001}, {WM_KEYDOWN, VK_RETURN, 0x011C0001}, {WM_CHAR, 13, 0x011C0001},
          {WM_KEYDOWN, VK_ESCAPE, 0x00010001}, {WM_CHAR, 27, 0x00010001}}},
        {"ctrl letter types its control character and no text",
         {Key(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL), Key(true, SDL_SCANCODE_C, 'c', KMOD_LCTRL), Text("c")},
         {{WM_KEYDOWN, VK_CONTROL, 0x001D0001}, {WM_KEYDOWN, 'C', 0x002E0001}, {WM_CHAR, 3, 0x002E0001}}},
        {"ctrl digit types nothing", {Key(true, SDL_SCANCODE_1, '1', KMOD_LCTRL), Text("1")},
         {{WM_KEYDOWN, '1', 0x00020001}}},
        {"alt gives system messages",
         {Key(true, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT), Key(true, SDL_SCANCODE_F, 'f', KMOD_LALT), Text("f"),
          Key(false, SDL_SCANCODE_F, 'f', KMOD_LALT), Key(false, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE)},
         {{WM_SYSKEYDOWN, VK_MENU, 0x20380001}, {WM_SYSKEYDOWN, 'F', kAltF}, {WM_SYSCHAR, 'f', kAltF},
          {WM_SYSKEYUP, 'F', 0xE0210001}, {WM_SYSKEYUP, VK_MENU, 0xE0380001}}},
        {"alt shift", {Key(true, SDL_SCANCODE_F, 'f', KMOD_LALT | KMOD_LSHIFT)},
         {{WM_SYSKEYDOWN, 'F', kAltF}, {WM_SYSCHAR, 'F', kAltF}}},
        {"alt enter", {Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT)},
         {{WM_SYSKEYDOWN, VK_RETURN, 0x201C0001}, {WM_SYSCHAR, 13, 0x201C0001}}},
        // On many layouts the right Alt key is AltGr: what it types arrives.
        {"right alt types like AltGr",
         {Key(true, SDL_SCANCODE_RALT, SDLK_RALT, KMOD_RALT), Key(true, SDL_SCANCODE_Q, 'q', KMOD_RALT), Text("@")},
         {{WM_SYSKEYDOWN, VK_MENU, 0x21380001}, {WM_SYSKEYDOWN, 'Q', 0x20100001}, {WM_CHAR, '@', 0x20100001}}},
        {"ctrl alt is AltGr", {Key(true, SDL_SCANCODE_E, 'e', KMOD_LCTRL | KMOD_LALT), Text("\u20AC")},
         {{WM_KEYDOWN, 'E', 0x00120001}, {WM_CHAR, 0x80, 0x00120001}}},
        {"text becomes 1252 bytes", {Text("\u00E9\u4E2D\u20AC")}, {{WM_CHAR, 0xE9, 1}, {WM_CHAR, 0x80, 1}}},
        {"keys without a Windows code, unknown or out of range, and extra buttons",
         {Key(true, SDL_SCANCODE_F13, SDLK_F13), Key(true, SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN),
          Key(true, static_cast<SDL_Scancode>(SDL_NUM_SCANCODES), SDLK_UNKNOWN), Button(true, SDL_BUTTON_X1, 1)}, {}},
        // The virtual key follows the layout's character, else the key's place.
        {"azerty A on the Q key", {Key(true, SDL_SCANCODE_Q, 'a')}, {{WM_KEYDOWN, 'A', 0x00100001}}},
        {"dvorak quote on the Q key", {Key(true, SDL_SCANCODE_Q, '\'')}, {{WM_KEYDOWN, VK_OEM_7, 0x00100001}}},
        {"azerty ampersand keeps the digit", {Key(true, SDL_SCANCODE_1, '&')}, {{WM_KEYDOWN, '1', 0x00020001}}},
        {"accented letter", {Key(true, SDL_SCANCODE_SEMICOLON, 0xF6)}, {{WM_KEYDOWN, VK_OEM_1, 0x00270001}}},
        {"function key", {Key(true, SDL_SCANCODE_F5, SDLK_F5)}, {{WM_KEYDOWN, VK_F1 + 4, 0x003F0001}}},
        {"keypad digit", {Key(true, SDL_SCANCODE_KP_7, SDLK_KP_7)}, {{WM_KEYDOWN, VK_NUMPAD0 + 7, 0x00470001}}},
        {"right ctrl", {Key(true, SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL)}, {{WM_KEYDOWN, VK_CONTROL, 0x011D0001}}},
        {"windows key", {Key(true, SDL_SCANCODE_LGUI, SDLK_LGUI)}, {{WM_KEYDOWN, VK_LWIN, 0x015B0001}}},
        {"move carries buttons shift and position",
         {Key(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT), Motion(10, 20, SDL_BUTTON_LMASK)},
         {{WM_KEYDOWN, VK_SHIFT, 0x002A0001}, {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 0x0014000A}}},
        {"coordinates are signed halves", {Motion(-5, 3), Motion(40000, -40000)},
         {{WM_MOUSEMOVE, 0, 0x0003FFFB}, {WM_MOUSEMOVE, 0, static_cast<intptr_t>(0x80007FFF)}}},
        {"second click of each pair is the double click",
         {Button(true, SDL_BUTTON_LEFT, 1), Button(false, SDL_BUTTON_LEFT, 1), Button(true, SDL_BUTTON_LEFT, 2),
          Button(false, SDL_BUTTON_LEFT, 2), Button(true, SDL_BUTTON_LEFT, 3)},
         {{WM_LBUTTONDOWN, MK_LBUTTON, kAt}, {WM_LBUTTONUP, 0, kAt}, {WM_LBUTTONDBLCLK, MK_LBUTTON, kAt},
          {WM_LBUTTONUP, 0, kAt}, {WM_LBUTTONDOWN, MK_LBUTTON, kAt}}},
        {"right and middle buttons with ctrl",
         {Key(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL), Button(true, SDL_BUTTON_RIGHT, 2),
          Button(true, SDL_BUTTON_MIDDLE, 1), Button(false, SDL_BUTTON_RIGHT, 1)},
         {{WM_KEYDOWN, VK_CONTROL, 0x001D0001}, {WM_RBUTTONDBLCLK, MK_RBUTTON | MK_CONTROL, kAt},
          {WM_MBUTTONDOWN, MK_RBUTTON | MK_MBUTTON | MK_CONTROL, kAt}, {WM_RBUTTONUP, MK_MBUTTON | MK_CONTROL, kAt}}},
        {"wheel steps are multiples of 120 in the high half",
         {Wheel(1), Wheel(-2), Wheel(1, SDL_MOUSEWHEEL_FLIPPED), Wheel(0), Wheel(1000)},
         {{WM_MOUSEWHEEL, uintptr_t{120} << 16, 0x00090007}, {WM_MOUSEWHEEL, uintptr_t{0xFF10} << 16, 0x00090007},
          {WM_MOUSEWHEEL, uintptr_t{0xFF88} << 16, 0x00090007}, {WM_MOUSEWHEEL, uintptr_t{0x7FFF} << 16, 0x00090007}}},
        {"minimise restore and maximise are size kinds",
         {WindowEvent(SDL_WINDOWEVENT_MINIMIZED), WindowEvent(SDL_WINDOWEVENT_RESTORED),
          WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480), WindowEvent(SDL_WINDOWEVENT_MAXIMIZED)},
         {{WM_SIZE, SIZE_MINIMIZED, 0}, {WM_SIZE, SIZE_RESTORED, 0x02580320}, {WM_SIZE, SIZE_MAXIMIZED, 0x01E00280}}},
        {"focus, move, close, expose and leave",
         {WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST),
          WindowEvent(SDL_WINDOWEVENT_MOVED, 100, -20), WindowEvent(SDL_WINDOWEVENT_CLOSE),
          WindowEvent(SDL_WINDOWEVENT_EXPOSED), WindowEvent(SDL_WINDOWEVENT_LEAVE),
          WindowEvent(SDL_WINDOWEVENT_ENTER), WindowEvent(SDL_WINDOWEVENT_SHOWN)},
         {{WM_ACTIVATEAPP, 1, 0}, {WM_ACTIVATEAPP, 0, 0}, {WM_MOVE, 0, 0xFFEC0064}, {WM_CLOSE, 0, 0}, {WM_PAINT, 0, 0},
          {WM_MOUSELEAVE, 0, 0}}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Detail::EventTranslator translator;
        translator.SetClientSize({800, 600});
        std::vector<MessageRecord> out;
        for (const SDL_Event& event : c.events)
            translator.Translate(event, out);
        EXPECT_EQ(out, c.expected);
    }
}

} // namespace
