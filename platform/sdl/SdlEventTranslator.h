#pragma once
// SDL's events of one window as the Windows messages the framework's window
// procedure expects (numbers and parameter layouts in platform/Window.h).

#include "platform/Window.h"

#include <SDL.h>

#include <vector>

namespace Platform::Detail {

struct KeyCode {
    uint8_t virtualKey = 0; // 0: a key Windows has no code for
    uint8_t scanCode = 0;   // PC set 1
    bool extended = false;
};

// Keys that type a letter, a digit or US punctuation in the active layout
// take the virtual key of that character, as on Windows; every other key the
// code of its place on the keyboard.
KeyCode KeyCodeOf(const SDL_Keysym& keysym);

class EventTranslator {
public:
    // Appends the messages for one event of this window, in the order the
    // window procedure receives them.
    void Translate(const SDL_Event& event, std::vector<MessageRecord>& out);

    // The client size WM_SIZE reports until SDL tells of a new one.
    void SetClientSize(Size size) { mClientSize = size; }

private:
    void Key(const SDL_KeyboardEvent& key, std::vector<MessageRecord>& out);
    void Text(const SDL_TextInputEvent& text, std::vector<MessageRecord>& out);
    void Button(const SDL_MouseButtonEvent& button, std::vector<MessageRecord>& out);
    void Wheel(const SDL_MouseWheelEvent& wheel, std::vector<MessageRecord>& out);
    void WindowEvent(const SDL_WindowEvent& window, std::vector<MessageRecord>& out);
    uintptr_t MouseFlags() const;
    bool Held(uint16_t modifiers) const { return (mModifiers & modifiers) != 0; }
    // Left Alt alone: menu shortcuts. The right Alt key is AltGr on many
    // layouts, and Ctrl with Alt is AltGr on Windows: both type characters.
    bool AltShortcut() const { return Held(KMOD_LALT) && !Held(KMOD_RALT | KMOD_CTRL); }
    bool CtrlShortcut() const { return Held(KMOD_CTRL) && !Held(KMOD_ALT); }

    // As of the last key event: the mouse messages report Shift and Ctrl
    // from it and typed text is judged by it.
    uint16_t mModifiers = KMOD_NONE;
    // SDL's button mask as of the last mouse event.
    uint32_t mButtons = 0;
    // A character message carries the lParam of the key that typed it.
    intptr_t mKeyLParam = 1;
    Size mClientSize;
};

} // namespace Platform::Detail
