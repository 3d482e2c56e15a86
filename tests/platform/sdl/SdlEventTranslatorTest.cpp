#include "platform/sdl/SdlEventTranslator.h"

#include "fakes/FakeWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

namespace {

using namespace Platform;
using Detail::EventTranslator;
using Detail::KeyCode;
using Detail::KeyCodeOf;

SDL_Event Key(bool down, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0)
{
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.repeat = repeat;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event Text(const char* utf8)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
    return event;
}

SDL_Event Motion(int x, int y, Uint32 buttons = 0)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.state = buttons;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

SDL_Event Button(bool down, Uint8 button, Uint8 clicks)
{
    SDL_Event event = {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.clicks = clicks;
    event.button.x = 4;
    event.button.y = 2;
    return event;
}

SDL_Event Wheel(Sint32 y, Uint32 direction = SDL_MOUSEWHEEL_NORMAL)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = y;
    event.wheel.direction = direction;
    event.wheel.mouseX = 7;
    event.wheel.mouseY = 9;
    return event;
}

SDL_Event WindowEvent(Uint8 kind, Sint32 data1 = 0, Sint32 data2 = 0)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

struct TranslationCase {
    const char* name;
    std::vector<SDL_Event> events;
    std::vector<MessageRecord> expected;
};

void PrintTo(const TranslationCase& c, std::ostream* os)
{
    *os << c.name;
}

class Translation : public testing::TestWithParam<TranslationCase> {};

TEST_P(Translation, GivesTheWindowsMessagesInOrder)
{
    EventTranslator translator;
    translator.SetClientSize({800, 600});
    std::vector<MessageRecord> out;
    for (const SDL_Event& event : GetParam().events)
        translator.Translate(event, out);
    EXPECT_EQ(out, GetParam().expected);
}

constexpr intptr_t kA = 0x001E0001;          // repeat 1, scan code 0x1E
constexpr intptr_t kAUp = 0xC01E0001;
constexpr intptr_t kAltF = 0x20210001;       // Alt held, scan code 0x21
constexpr intptr_t kAltMenu = 0x20380001;
const Uint16 kLeftAlt = KMOD_LALT;
const Uint16 kLeftCtrl = KMOD_LCTRL;

INSTANTIATE_TEST_SUITE_P(
    Keys, Translation,
    testing::Values(
        TranslationCase{"LetterGivesKeyDownCharAndKeyUp",
                        {Key(true, SDL_SCANCODE_A, 'a'), Text("a"), Key(false, SDL_SCANCODE_A, 'a')},
                        {{WM_KEYDOWN, 'A', kA}, {WM_CHAR, 'a', kA}, {WM_KEYUP, 'A', kAUp}}},
        TranslationCase{"AutoRepeatSetsThePreviousStateBit",
                        {Key(true, SDL_SCANCODE_A, 'a', KMOD_NONE, 1)},
                        {{WM_KEYDOWN, 'A', 0x401E0001}}},
        TranslationCase{"ExtendedKeySetsBit24", {Key(true, SDL_SCANCODE_RIGHT, SDLK_RIGHT)},
                        {{WM_KEYDOWN, VK_RIGHT, 0x014D0001}}},
        TranslationCase{"EditingKeysTypeTheirControlCharacters",
                        {Key(true, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), Key(true, SDL_SCANCODE_TAB, SDLK_TAB),
                         Key(true, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER), Key(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE)},
                        {{WM_KEYDOWN, VK_BACK, 0x000E0001}, {WM_CHAR, 8, 0x000E0001},
                         {WM_KEYDOWN, VK_TAB, 0x000F0001}, {WM_CHAR, 9, 0x000F0001},
                         {WM_KEYDOWN, VK_RETURN, 0x011C0001}, {WM_CHAR, 13, 0x011C0001},
                         {WM_KEYDOWN, VK_ESCAPE, 0x00010001}, {WM_CHAR, 27, 0x00010001}}},
        TranslationCase{"CtrlLetterTypesItsControlCharacterAndNoText",
                        {Key(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL, kLeftCtrl),
                         Key(true, SDL_SCANCODE_C, 'c', kLeftCtrl), Text("c")},
                        {{WM_KEYDOWN, VK_CONTROL, 0x001D0001},
                         {WM_KEYDOWN, 'C', 0x002E0001},
                         {WM_CHAR, 3, 0x002E0001}}},
        TranslationCase{"CtrlDigitTypesNothing",
                        {Key(true, SDL_SCANCODE_1, '1', kLeftCtrl), Text("1")},
                        {{WM_KEYDOWN, '1', 0x00020001}}},
        TranslationCase{"AltGivesTheSystemMessagesAndItsShortcutCharacter",
                        {Key(true, SDL_SCANCODE_LALT, SDLK_LALT, kLeftAlt), Key(true, SDL_SCANCODE_F, 'f', kLeftAlt),
                         Text("f"), Key(false, SDL_SCANCODE_F, 'f', kLeftAlt),
                         Key(false, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE)},
                        {{WM_SYSKEYDOWN, VK_MENU, kAltMenu},
                         {WM_SYSKEYDOWN, 'F', kAltF},
                         {WM_SYSCHAR, 'f', kAltF},
                         {WM_SYSKEYUP, 'F', 0xE0210001},
                         {WM_SYSKEYUP, VK_MENU, 0xE0380001}}},
        TranslationCase{"AltShiftShortcutIsUpperCase",
                        {Key(true, SDL_SCANCODE_F, 'f', kLeftAlt | KMOD_LSHIFT)},
                        {{WM_SYSKEYDOWN, 'F', kAltF}, {WM_SYSCHAR, 'F', kAltF}}},
        TranslationCase{"AltEnterIsASystemKeyAndCharacter", {Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN, kLeftAlt)},
                        {{WM_SYSKEYDOWN, VK_RETURN, 0x201C0001}, {WM_SYSCHAR, 13, 0x201C0001}}},
        // On many layouts the right Alt key is AltGr: what it types arrives.
        TranslationCase{"RightAltTypesLikeAltGr",
                        {Key(true, SDL_SCANCODE_RALT, SDLK_RALT, KMOD_RALT), Key(true, SDL_SCANCODE_Q, 'q', KMOD_RALT),
                         Text("@")},
                        {{WM_SYSKEYDOWN, VK_MENU, 0x21380001},
                         {WM_SYSKEYDOWN, 'Q', 0x20100001},
                         {WM_CHAR, '@', 0x20100001}}},
        TranslationCase{"CtrlAltIsAltGrAndTypes",
                        {Key(true, SDL_SCANCODE_E, 'e', kLeftCtrl | kLeftAlt), Text("\u20AC")},
                        {{WM_KEYDOWN, 'E', 0x00120001}, {WM_CHAR, 0x80, 0x00120001}}},
        TranslationCase{"TextBecomesWindows1252BytesAndDropsTheRest", {Text("\u00E9\u4E2D\u20AC")},
                        {{WM_CHAR, 0xE9, 1}, {WM_CHAR, 0x80, 1}}},
        TranslationCase{"KeyWithoutAWindowsCodeGivesNothing", {Key(true, SDL_SCANCODE_F13, SDLK_F13)}, {}}),
    [](const testing::TestParamInfo<TranslationCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Mouse, Translation,
    testing::Values(
        TranslationCase{"MoveCarriesButtonsShiftAndPosition",
                        {Key(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT), Motion(10, 20, SDL_BUTTON_LMASK)},
                        {{WM_KEYDOWN, VK_SHIFT, 0x002A0001}, {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, 0x0014000A}}},
        TranslationCase{"CoordinatesAreSignedHalves", {Motion(-5, 3), Motion(40000, -40000)},
                        {{WM_MOUSEMOVE, 0, 0x0003FFFB}, {WM_MOUSEMOVE, 0, static_cast<intptr_t>(0x80007FFF)}}},
        TranslationCase{"SecondClickOfEachPairIsTheDoubleClick",
                        {Button(true, SDL_BUTTON_LEFT, 1), Button(false, SDL_BUTTON_LEFT, 1),
                         Button(true, SDL_BUTTON_LEFT, 2), Button(false, SDL_BUTTON_LEFT, 2),
                         Button(true, SDL_BUTTON_LEFT, 3)},
                        {{WM_LBUTTONDOWN, MK_LBUTTON, 0x00020004},
                         {WM_LBUTTONUP, 0, 0x00020004},
                         {WM_LBUTTONDBLCLK, MK_LBUTTON, 0x00020004},
                         {WM_LBUTTONUP, 0, 0x00020004},
                         {WM_LBUTTONDOWN, MK_LBUTTON, 0x00020004}}},
        TranslationCase{"RightAndMiddleButtonsWhileCtrlHeld",
                        {Key(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL, kLeftCtrl), Button(true, SDL_BUTTON_RIGHT, 2),
                         Button(true, SDL_BUTTON_MIDDLE, 1), Button(false, SDL_BUTTON_RIGHT, 1)},
                        {{WM_KEYDOWN, VK_CONTROL, 0x001D0001},
                         {WM_RBUTTONDBLCLK, MK_RBUTTON | MK_CONTROL, 0x00020004},
                         {WM_MBUTTONDOWN, MK_RBUTTON | MK_MBUTTON | MK_CONTROL, 0x00020004},
                         {WM_RBUTTONUP, MK_MBUTTON | MK_CONTROL, 0x00020004}}},
        TranslationCase{"ExtraButtonsGiveNothing", {Button(true, SDL_BUTTON_X1, 1)}, {}},
        TranslationCase{"WheelStepsAreMultiplesOf120InTheHighHalf",
                        {Wheel(1), Wheel(-2), Wheel(1, SDL_MOUSEWHEEL_FLIPPED), Wheel(0), Wheel(1000)},
                        {{WM_MOUSEWHEEL, uintptr_t{120} << 16, 0x00090007},
                         {WM_MOUSEWHEEL, uintptr_t{0xFF10} << 16, 0x00090007},
                         {WM_MOUSEWHEEL, uintptr_t{0xFF88} << 16, 0x00090007},
                         {WM_MOUSEWHEEL, uintptr_t{0x7FFF} << 16, 0x00090007}}}),
    [](const testing::TestParamInfo<TranslationCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    WindowState, Translation,
    testing::Values(
        TranslationCase{"FocusIsActivation",
                        {WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED), WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST)},
                        {{WM_ACTIVATEAPP, 1, 0}, {WM_ACTIVATEAPP, 0, 0}}},
        TranslationCase{"MinimiseRestoreAndMaximiseAreSizeKinds",
                        {WindowEvent(SDL_WINDOWEVENT_MINIMIZED), WindowEvent(SDL_WINDOWEVENT_RESTORED),
                         WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480), WindowEvent(SDL_WINDOWEVENT_MAXIMIZED)},
                        {{WM_SIZE, SIZE_MINIMIZED, 0},
                         {WM_SIZE, SIZE_RESTORED, 0x02580320},
                         {WM_SIZE, SIZE_MAXIMIZED, 0x01E00280}}},
        TranslationCase{"MoveCloseExposeAndLeave",
                        {WindowEvent(SDL_WINDOWEVENT_MOVED, 100, -20), WindowEvent(SDL_WINDOWEVENT_CLOSE),
                         WindowEvent(SDL_WINDOWEVENT_EXPOSED), WindowEvent(SDL_WINDOWEVENT_LEAVE),
                         WindowEvent(SDL_WINDOWEVENT_ENTER), WindowEvent(SDL_WINDOWEVENT_SHOWN)},
                        {{WM_MOVE, 0, 0xFFEC0064}, {WM_CLOSE, 0, 0}, {WM_PAINT, 0, 0}, {WM_MOUSELEAVE, 0, 0}}}),
    [](const testing::TestParamInfo<TranslationCase>& info) { return std::string(info.param.name); });

struct KeyCase {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode sym;
    KeyCode expected;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyCodes : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyCodes, FollowTheLayoutsCharacterElseThePlace)
{
    SDL_Keysym keysym = {};
    keysym.scancode = GetParam().scancode;
    keysym.sym = GetParam().sym;
    const KeyCode code = KeyCodeOf(keysym);
    EXPECT_EQ(code.virtualKey, GetParam().expected.virtualKey);
    EXPECT_EQ(code.scanCode, GetParam().expected.scanCode);
    EXPECT_EQ(code.extended, GetParam().expected.extended);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyCodes,
    testing::Values(KeyCase{"AzertyAOnTheQKey", SDL_SCANCODE_Q, 'a', {'A', 0x10}},
                    KeyCase{"DvorakQuoteOnTheQKey", SDL_SCANCODE_Q, '\'', {VK_OEM_7, 0x10}},
                    KeyCase{"AzertyAmpersandKeepsTheDigitKey", SDL_SCANCODE_1, '&', {'1', 0x02}},
                    KeyCase{"AccentedLetterKeepsItsPlace", SDL_SCANCODE_SEMICOLON, 0xF6, {VK_OEM_1, 0x27}},
                    KeyCase{"FunctionKey", SDL_SCANCODE_F5, SDLK_F5, {VK_F1 + 4, 0x3F}},
                    KeyCase{"KeypadDigit", SDL_SCANCODE_KP_7, SDLK_KP_7, {VK_NUMPAD0 + 7, 0x47}},
                    KeyCase{"RightCtrlIsAnExtendedCtrl", SDL_SCANCODE_RCTRL, SDLK_RCTRL, {VK_CONTROL, 0x1D, true}},
                    KeyCase{"WindowsKey", SDL_SCANCODE_LGUI, SDLK_LGUI, {VK_LWIN, 0x5B, true}},
                    KeyCase{"UnknownKey", SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, {0, 0}},
                    KeyCase{"ScancodeOutOfRange", static_cast<SDL_Scancode>(SDL_NUM_SCANCODES), SDLK_UNKNOWN, {0, 0}}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

} // namespace
