#include "platform/sdl/SdlEventTranslator.h"

#include "platform/TextEncoding.h"

#include <algorithm>
#include <array>

namespace Platform::Detail {

namespace {

struct KeyPlace {
    SDL_Scancode scancode;
    KeyCode code;
};

// Every key by its place, as a US keyboard labels it.
constexpr KeyPlace kKeyPlaces[] = {
    {SDL_SCANCODE_A, {'A', 0x1E}}, {SDL_SCANCODE_B, {'B', 0x30}}, {SDL_SCANCODE_C, {'C', 0x2E}},
    {SDL_SCANCODE_D, {'D', 0x20}}, {SDL_SCANCODE_E, {'E', 0x12}}, {SDL_SCANCODE_F, {'F', 0x21}},
    {SDL_SCANCODE_G, {'G', 0x22}}, {SDL_SCANCODE_H, {'H', 0x23}}, {SDL_SCANCODE_I, {'I', 0x17}},
    {SDL_SCANCODE_J, {'J', 0x24}}, {SDL_SCANCODE_K, {'K', 0x25}}, {SDL_SCANCODE_L, {'L', 0x26}},
    {SDL_SCANCODE_M, {'M', 0x32}}, {SDL_SCANCODE_N, {'N', 0x31}}, {SDL_SCANCODE_O, {'O', 0x18}},
    {SDL_SCANCODE_P, {'P', 0x19}}, {SDL_SCANCODE_Q, {'Q', 0x10}}, {SDL_SCANCODE_R, {'R', 0x13}},
    {SDL_SCANCODE_S, {'S', 0x1F}}, {SDL_SCANCODE_T, {'T', 0x14}}, {SDL_SCANCODE_U, {'U', 0x16}},
    {SDL_SCANCODE_V, {'V', 0x2F}}, {SDL_SCANCODE_W, {'W', 0x11}}, {SDL_SCANCODE_X, {'X', 0x2D}},
    {SDL_SCANCODE_Y, {'Y', 0x15}}, {SDL_SCANCODE_Z, {'Z', 0x2C}},
    {SDL_SCANCODE_1, {'1', 0x02}}, {SDL_SCANCODE_2, {'2', 0x03}}, {SDL_SCANCODE_3, {'3', 0x04}},
    {SDL_SCANCODE_4, {'4', 0x05}}, {SDL_SCANCODE_5, {'5', 0x06}}, {SDL_SCANCODE_6, {'6', 0x07}},
    {SDL_SCANCODE_7, {'7', 0x08}}, {SDL_SCANCODE_8, {'8', 0x09}}, {SDL_SCANCODE_9, {'9', 0x0A}},
    {SDL_SCANCODE_0, {'0', 0x0B}},
    {SDL_SCANCODE_RETURN, {VK_RETURN, 0x1C}}, {SDL_SCANCODE_ESCAPE, {VK_ESCAPE, 0x01}},
    {SDL_SCANCODE_BACKSPACE, {VK_BACK, 0x0E}}, {SDL_SCANCODE_TAB, {VK_TAB, 0x0F}},
    {SDL_SCANCODE_SPACE, {VK_SPACE, 0x39}}, {SDL_SCANCODE_MINUS, {VK_OEM_MINUS, 0x0C}},
    {SDL_SCANCODE_EQUALS, {VK_OEM_PLUS, 0x0D}}, {SDL_SCANCODE_LEFTBRACKET, {VK_OEM_4, 0x1A}},
    {SDL_SCANCODE_RIGHTBRACKET, {VK_OEM_6, 0x1B}}, {SDL_SCANCODE_BACKSLASH, {VK_OEM_5, 0x2B}},
    {SDL_SCANCODE_NONUSHASH, {VK_OEM_5, 0x2B}}, {SDL_SCANCODE_SEMICOLON, {VK_OEM_1, 0x27}},
    {SDL_SCANCODE_APOSTROPHE, {VK_OEM_7, 0x28}}, {SDL_SCANCODE_GRAVE, {VK_OEM_3, 0x29}},
    {SDL_SCANCODE_COMMA, {VK_OEM_COMMA, 0x33}}, {SDL_SCANCODE_PERIOD, {VK_OEM_PERIOD, 0x34}},
    {SDL_SCANCODE_SLASH, {VK_OEM_2, 0x35}}, {SDL_SCANCODE_NONUSBACKSLASH, {VK_OEM_102, 0x56}},
    {SDL_SCANCODE_CAPSLOCK, {VK_CAPITAL, 0x3A}},
    {SDL_SCANCODE_F1, {VK_F1, 0x3B}}, {SDL_SCANCODE_F2, {VK_F1 + 1, 0x3C}}, {SDL_SCANCODE_F3, {VK_F1 + 2, 0x3D}},
    {SDL_SCANCODE_F4, {VK_F1 + 3, 0x3E}}, {SDL_SCANCODE_F5, {VK_F1 + 4, 0x3F}}, {SDL_SCANCODE_F6, {VK_F1 + 5, 0x40}},
    {SDL_SCANCODE_F7, {VK_F1 + 6, 0x41}}, {SDL_SCANCODE_F8, {VK_F1 + 7, 0x42}}, {SDL_SCANCODE_F9, {VK_F1 + 8, 0x43}},
    {SDL_SCANCODE_F10, {VK_F1 + 9, 0x44}}, {SDL_SCANCODE_F11, {VK_F1 + 10, 0x57}},
    {SDL_SCANCODE_F12, {VK_F1 + 11, 0x58}},
    {SDL_SCANCODE_PRINTSCREEN, {VK_SNAPSHOT, 0x37, true}}, {SDL_SCANCODE_SCROLLLOCK, {VK_SCROLL, 0x46}},
    {SDL_SCANCODE_PAUSE, {VK_PAUSE, 0x45}}, {SDL_SCANCODE_INSERT, {VK_INSERT, 0x52, true}},
    {SDL_SCANCODE_HOME, {VK_HOME, 0x47, true}}, {SDL_SCANCODE_PAGEUP, {VK_PRIOR, 0x49, true}},
    {SDL_SCANCODE_DELETE, {VK_DELETE, 0x53, true}}, {SDL_SCANCODE_END, {VK_END, 0x4F, true}},
    {SDL_SCANCODE_PAGEDOWN, {VK_NEXT, 0x51, true}}, {SDL_SCANCODE_RIGHT, {VK_RIGHT, 0x4D, true}},
    {SDL_SCANCODE_LEFT, {VK_LEFT, 0x4B, true}}, {SDL_SCANCODE_DOWN, {VK_DOWN, 0x50, true}},
    {SDL_SCANCODE_UP, {VK_UP, 0x48, true}}, {SDL_SCANCODE_NUMLOCKCLEAR, {VK_NUMLOCK, 0x45, true}},
    {SDL_SCANCODE_KP_DIVIDE, {VK_DIVIDE, 0x35, true}}, {SDL_SCANCODE_KP_MULTIPLY, {VK_MULTIPLY, 0x37}},
    {SDL_SCANCODE_KP_MINUS, {VK_SUBTRACT, 0x4A}}, {SDL_SCANCODE_KP_PLUS, {VK_ADD, 0x4E}},
    {SDL_SCANCODE_KP_ENTER, {VK_RETURN, 0x1C, true}},
    {SDL_SCANCODE_KP_1, {VK_NUMPAD0 + 1, 0x4F}}, {SDL_SCANCODE_KP_2, {VK_NUMPAD0 + 2, 0x50}},
    {SDL_SCANCODE_KP_3, {VK_NUMPAD0 + 3, 0x51}}, {SDL_SCANCODE_KP_4, {VK_NUMPAD0 + 4, 0x4B}},
    {SDL_SCANCODE_KP_5, {VK_NUMPAD0 + 5, 0x4C}}, {SDL_SCANCODE_KP_6, {VK_NUMPAD0 + 6, 0x4D}},
    {SDL_SCANCODE_KP_7, {VK_NUMPAD0 + 7, 0x47}}, {SDL_SCANCODE_KP_8, {VK_NUMPAD0 + 8, 0x48}},
    {SDL_SCANCODE_KP_9, {VK_NUMPAD0 + 9, 0x49}}, {SDL_SCANCODE_KP_0, {VK_NUMPAD0, 0x52}},
    {SDL_SCANCODE_KP_PERIOD, {VK_DECIMAL, 0x53}}, {SDL_SCANCODE_APPLICATION, {VK_APPS, 0x5D, true}},
    {SDL_SCANCODE_LCTRL, {VK_CONTROL, 0x1D}}, {SDL_SCANCODE_LSHIFT, {VK_SHIFT, 0x2A}},
    {SDL_SCANCODE_LALT, {VK_MENU, 0x38}}, {SDL_SCANCODE_LGUI, {VK_LWIN, 0x5B, true}},
    {SDL_SCANCODE_RCTRL, {VK_CONTROL, 0x1D, true}}, {SDL_SCANCODE_RSHIFT, {VK_SHIFT, 0x36}},
    {SDL_SCANCODE_RALT, {VK_MENU, 0x38, true}}, {SDL_SCANCODE_RGUI, {VK_RWIN, 0x5C, true}},
};

constexpr auto kByPlace = [] {
    std::array<KeyCode, SDL_NUM_SCANCODES> table{};
    for (const KeyPlace& place : kKeyPlaces)
        table[place.scancode] = place.code;
    return table;
}();

// The virtual key of a character the layout puts on a key, 0 for none.
uint8_t VirtualKeyOfCharacter(SDL_Keycode sym)
{
    if (sym >= 'a' && sym <= 'z')
        return static_cast<uint8_t>(sym - 'a' + 'A');
    if (sym >= '0' && sym <= '9')
        return static_cast<uint8_t>(sym);
    switch (sym) {
    case ';': return VK_OEM_1;
    case '=': return VK_OEM_PLUS;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    case '[': return VK_OEM_4;
    case '\\': return VK_OEM_5;
    case ']': return VK_OEM_6;
    case '\'': return VK_OEM_7;
    default: return 0;
    }
}

// Windows' parameters are 32-bit words of two signed 16-bit halves.
intptr_t PackHalves(int low, int high)
{
    const auto half = [](int value) { return static_cast<uint16_t>(std::clamp(value, -32768, 32767)); };
    return static_cast<intptr_t>(uint32_t{half(low)} | uint32_t{half(high)} << 16);
}

constexpr uint32_t kRepeatCountOne = 1;
constexpr uint32_t kExtendedKey = 1u << 24;
constexpr uint32_t kAltHeld = 1u << 29;
constexpr uint32_t kWasDown = 1u << 30;
constexpr uint32_t kReleased = 1u << 31;

// The characters Windows types for keys SDL reports no text for.
int ControlCharacter(uint8_t virtualKey)
{
    switch (virtualKey) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: return 0;
    }
}

} // namespace

KeyCode KeyCodeOf(const SDL_Keysym& keysym)
{
    KeyCode code = keysym.scancode >= 0 && keysym.scancode < SDL_NUM_SCANCODES ? kByPlace[keysym.scancode] : KeyCode{};
    if (const uint8_t byCharacter = VirtualKeyOfCharacter(keysym.sym))
        code.virtualKey = byCharacter;
    return code;
}

void EventTranslator::Translate(const SDL_Event& event, std::vector<MessageRecord>& out)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        Key(event.key, out);
        break;
    case SDL_TEXTINPUT:
        Text(event.text, out);
        break;
    case SDL_MOUSEMOTION:
        mButtons = event.motion.state;
        out.push_back({WM_MOUSEMOVE, MouseFlags(), PackHalves(event.motion.x, event.motion.y)});
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        Button(event.button, out);
        break;
    case SDL_MOUSEWHEEL:
        Wheel(event.wheel, out);
        break;
    case SDL_WINDOWEVENT:
        WindowEvent(event.window, out);
        break;
    default:
        break;
    }
}

void EventTranslator::Key(const SDL_KeyboardEvent& key, std::vector<MessageRecord>& out)
{
    mModifiers = key.keysym.mod;
    const KeyCode code = KeyCodeOf(key.keysym);
    if (code.virtualKey == 0)
        return;
    const bool down = key.type == SDL_KEYDOWN;
    // Ctrl with Alt is AltGr on Windows layouts: no shortcut. The Alt key's
    // own release comes after SDL has cleared its modifier.
    const bool system = (Held(KMOD_ALT) || code.virtualKey == VK_MENU) && !Held(KMOD_CTRL);

    uint32_t lParam = kRepeatCountOne | uint32_t{code.scanCode} << 16;
    if (code.extended)
        lParam |= kExtendedKey;
    if (system)
        lParam |= kAltHeld;
    if (!down)
        lParam |= kWasDown | kReleased;
    else if (key.repeat)
        lParam |= kWasDown;
    const auto keyLParam = static_cast<intptr_t>(lParam);

    if (!down) {
        out.push_back({system ? WM_SYSKEYUP : WM_KEYUP, code.virtualKey, keyLParam});
        return;
    }
    out.push_back({system ? WM_SYSKEYDOWN : WM_KEYDOWN, code.virtualKey, keyLParam});
    mKeyLParam = keyLParam;

    if (const int control = ControlCharacter(code.virtualKey)) {
        out.push_back({system ? WM_SYSCHAR : WM_CHAR, static_cast<uintptr_t>(control), keyLParam});
    } else if (CtrlShortcut() && code.virtualKey >= 'A' && code.virtualKey <= 'Z') {
        out.push_back({WM_CHAR, static_cast<uintptr_t>(code.virtualKey - 'A' + 1), keyLParam});
    } else if (AltShortcut() && key.keysym.sym >= 0x20 && key.keysym.sym < 0x7F) {
        // SDL types nothing for these; Windows reports the key's character
        // as a menu shortcut.
        auto character = static_cast<uintptr_t>(key.keysym.sym);
        if (Held(KMOD_SHIFT) && character >= 'a' && character <= 'z')
            character -= 'a' - 'A';
        out.push_back({WM_SYSCHAR, character, keyLParam});
    }
}

void EventTranslator::Text(const SDL_TextInputEvent& text, std::vector<MessageRecord>& out)
{
    // The shortcuts' characters went with their keys.
    if (AltShortcut() || CtrlShortcut())
        return;
    for (const char byte : Utf8ToWindows1252(text.text))
        out.push_back({WM_CHAR, static_cast<unsigned char>(byte), mKeyLParam});
}

uintptr_t EventTranslator::MouseFlags() const
{
    uintptr_t flags = 0;
    if (mButtons & SDL_BUTTON_LMASK)
        flags |= MK_LBUTTON;
    if (mButtons & SDL_BUTTON_RMASK)
        flags |= MK_RBUTTON;
    if (mButtons & SDL_BUTTON_MMASK)
        flags |= MK_MBUTTON;
    if (Held(KMOD_SHIFT))
        flags |= MK_SHIFT;
    if (Held(KMOD_CTRL))
        flags |= MK_CONTROL;
    return flags;
}

void EventTranslator::Button(const SDL_MouseButtonEvent& button, std::vector<MessageRecord>& out)
{
    struct ButtonMessages {
        uint8_t button;
        uint32_t down;
        uint32_t doubleClick;
        uint32_t up;
    };
    static constexpr ButtonMessages kButtonMessages[] = {
        {SDL_BUTTON_LEFT, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
        {SDL_BUTTON_RIGHT, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_RBUTTONUP},
        {SDL_BUTTON_MIDDLE, WM_MBUTTONDOWN, WM_MBUTTONDBLCLK, WM_MBUTTONUP},
    };
    const auto* messages = std::find_if(std::begin(kButtonMessages), std::end(kButtonMessages),
                                        [&](const ButtonMessages& m) { return m.button == button.button; });
    if (messages == std::end(kButtonMessages))
        return;
    const bool pressed = button.type == SDL_MOUSEBUTTONDOWN;
    if (pressed)
        mButtons |= SDL_BUTTON(button.button);
    else
        mButtons &= ~SDL_BUTTON(button.button);
    uint32_t message = pressed ? messages->down : messages->up;
    // Windows pairs clicks: the second of each pair is the double click, the
    // third starts a new pair.
    if (pressed && button.clicks >= 2 && button.clicks % 2 == 0)
        message = messages->doubleClick;
    out.push_back({message, MouseFlags(), PackHalves(button.x, button.y)});
}

void EventTranslator::Wheel(const SDL_MouseWheelEvent& wheel, std::vector<MessageRecord>& out)
{
    int64_t steps = wheel.y;
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
        steps = -steps;
    if (steps == 0)
        return;
    const auto amount = static_cast<uint16_t>(std::clamp<int64_t>(steps * WHEEL_DELTA, -32768, 32767));
    out.push_back({WM_MOUSEWHEEL, MouseFlags() | uintptr_t{amount} << 16, PackHalves(wheel.mouseX, wheel.mouseY)});
}

void EventTranslator::WindowEvent(const SDL_WindowEvent& window, std::vector<MessageRecord>& out)
{
    const intptr_t size = PackHalves(mClientSize.width, mClientSize.height);
    switch (window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: out.push_back({WM_ACTIVATEAPP, 1, 0}); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: out.push_back({WM_ACTIVATEAPP, 0, 0}); break;
    case SDL_WINDOWEVENT_MINIMIZED: out.push_back({WM_SIZE, SIZE_MINIMIZED, 0}); break;
    case SDL_WINDOWEVENT_RESTORED: out.push_back({WM_SIZE, SIZE_RESTORED, size}); break;
    case SDL_WINDOWEVENT_MAXIMIZED: out.push_back({WM_SIZE, SIZE_MAXIMIZED, size}); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: mClientSize = {window.data1, window.data2}; break;
    case SDL_WINDOWEVENT_MOVED: out.push_back({WM_MOVE, 0, PackHalves(window.data1, window.data2)}); break;
    case SDL_WINDOWEVENT_CLOSE: out.push_back({WM_CLOSE, 0, 0}); break;
    case SDL_WINDOWEVENT_EXPOSED: out.push_back({WM_PAINT, 0, 0}); break;
    case SDL_WINDOWEVENT_LEAVE: out.push_back({WM_MOUSELEAVE, 0, 0}); break;
    default: break;
    }
}

} // namespace Platform::Detail
