#pragma once
// What the framework needs of a window: its life, its place on the desktop,
// the input and state messages its window procedure receives, timers, the
// pointer and its cursors, and the presentation of finished frames.
//
// Messages keep the numbers and parameter layouts of the Windows messages the
// framework was designed around: demo files record them and the window
// procedure's tables are written in them. Parameters carry 32 bits:
// - keys: wParam the virtual-key code; lParam the repeat count 1 in bits
//   0-15, the scan code in 16-23, the extended-key flag in 24, Alt held in
//   29, the previous key state in 30 (set on auto-repeat and on release) and
//   the transition in 31 (set on release);
// - characters: wParam the Windows-1252 byte, lParam that of the key;
// - mouse: wParam the MK_ flags, lParam x | y << 16 in client coordinates,
//   each a signed 16-bit half; the wheel adds its signed amount (multiples
//   of WHEEL_DELTA) in the high half of wParam;
// - WM_ACTIVATEAPP: wParam 1 on gaining the focus, 0 on losing it;
// - WM_SIZE: wParam SIZE_MINIMIZED, SIZE_RESTORED or SIZE_MAXIMIZED, lParam
//   the client width | height << 16 (0 when minimised); WM_MOVE: lParam the
//   client area's top-left corner on the desktop;
// - WM_TIMER: wParam the timer's id.

#include "platform/Frame.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace Platform {

struct MessageRecord {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;

    constexpr bool operator==(const MessageRecord&) const = default;
};

inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_MOVE = 0x0003;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_ENABLE = 0x000A;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUERYOPEN = 0x0013;
inline constexpr uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr uint32_t WM_SYSCOLORCHANGE = 0x0015;
inline constexpr uint32_t WM_ENDSESSION = 0x0016;
inline constexpr uint32_t WM_ACTIVATEAPP = 0x001C;
inline constexpr uint32_t WM_SETCURSOR = 0x0020;
inline constexpr uint32_t WM_DISPLAYCHANGE = 0x007E;
inline constexpr uint32_t WM_NCACTIVATE = 0x0086;
inline constexpr uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_SYSCHAR = 0x0106;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_MOUSELEAVE = 0x02A3;

// Messages named at run time (RegisterMessage) take numbers from here up.
inline constexpr uint32_t kFirstRegisteredMessage = 0xC000;

// WM_SIZE kinds.
inline constexpr uintptr_t SIZE_RESTORED = 0;
inline constexpr uintptr_t SIZE_MINIMIZED = 1;
inline constexpr uintptr_t SIZE_MAXIMIZED = 2;

// WM_SYSCOMMAND commands.
inline constexpr uintptr_t SC_CLOSE = 0xF060;
inline constexpr uintptr_t SC_NEXTWINDOW = 0xF040;
inline constexpr uintptr_t SC_PREVWINDOW = 0xF050;
inline constexpr uintptr_t SC_SCREENSAVE = 0xF140;
inline constexpr uintptr_t SC_MONITORPOWER = 0xF170;

// Mouse-message flags in wParam.
inline constexpr uintptr_t MK_LBUTTON = 0x0001;
inline constexpr uintptr_t MK_RBUTTON = 0x0002;
inline constexpr uintptr_t MK_SHIFT = 0x0004;
inline constexpr uintptr_t MK_CONTROL = 0x0008;
inline constexpr uintptr_t MK_MBUTTON = 0x0010;

inline constexpr int WHEEL_DELTA = 120;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
inline constexpr uint8_t VK_BACK = 0x08;
inline constexpr uint8_t VK_TAB = 0x09;
inline constexpr uint8_t VK_RETURN = 0x0D;
inline constexpr uint8_t VK_SHIFT = 0x10;
inline constexpr uint8_t VK_CONTROL = 0x11;
inline constexpr uint8_t VK_MENU = 0x12;
inline constexpr uint8_t VK_PAUSE = 0x13;
inline constexpr uint8_t VK_CAPITAL = 0x14;
inline constexpr uint8_t VK_ESCAPE = 0x1B;
inline constexpr uint8_t VK_SPACE = 0x20;
inline constexpr uint8_t VK_PRIOR = 0x21;
inline constexpr uint8_t VK_NEXT = 0x22;
inline constexpr uint8_t VK_END = 0x23;
inline constexpr uint8_t VK_HOME = 0x24;
inline constexpr uint8_t VK_LEFT = 0x25;
inline constexpr uint8_t VK_UP = 0x26;
inline constexpr uint8_t VK_RIGHT = 0x27;
inline constexpr uint8_t VK_DOWN = 0x28;
inline constexpr uint8_t VK_SNAPSHOT = 0x2C;
inline constexpr uint8_t VK_INSERT = 0x2D;
inline constexpr uint8_t VK_DELETE = 0x2E;
inline constexpr uint8_t VK_LWIN = 0x5B;
inline constexpr uint8_t VK_RWIN = 0x5C;
inline constexpr uint8_t VK_APPS = 0x5D;
inline constexpr uint8_t VK_NUMPAD0 = 0x60;
inline constexpr uint8_t VK_MULTIPLY = 0x6A;
inline constexpr uint8_t VK_ADD = 0x6B;
inline constexpr uint8_t VK_SUBTRACT = 0x6D;
inline constexpr uint8_t VK_DECIMAL = 0x6E;
inline constexpr uint8_t VK_DIVIDE = 0x6F;
inline constexpr uint8_t VK_F1 = 0x70;
inline constexpr uint8_t VK_F4 = 0x73;
inline constexpr uint8_t VK_NUMLOCK = 0x90;
inline constexpr uint8_t VK_SCROLL = 0x91;
inline constexpr uint8_t VK_OEM_1 = 0xBA;      // ';' on a US layout
inline constexpr uint8_t VK_OEM_PLUS = 0xBB;   // '='
inline constexpr uint8_t VK_OEM_COMMA = 0xBC;
inline constexpr uint8_t VK_OEM_MINUS = 0xBD;
inline constexpr uint8_t VK_OEM_PERIOD = 0xBE;
inline constexpr uint8_t VK_OEM_2 = 0xBF;      // '/'
inline constexpr uint8_t VK_OEM_3 = 0xC0;      // '`'
inline constexpr uint8_t VK_OEM_4 = 0xDB;      // '['
inline constexpr uint8_t VK_OEM_5 = 0xDC;      // '\\'
inline constexpr uint8_t VK_OEM_6 = 0xDD;      // ']'
inline constexpr uint8_t VK_OEM_7 = 0xDE;      // '\''
inline constexpr uint8_t VK_OEM_102 = 0xE2;    // the extra key beside left Shift

// The same number for the same name for the whole process, counting up from
// kFirstRegisteredMessage; 0 when the numbers are used up.
uint32_t RegisterMessage(const std::string& name);

struct Point {
    int x = 0;
    int y = 0;
    constexpr bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    constexpr bool operator==(const Size&) const = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    constexpr bool operator==(const Rect&) const = default;
};

enum class WindowStyle {
    Framed,     // a window with a caption, not resizable
    FullScreen, // covers the desktop at its own resolution; frames are letterboxed into it
    Hidden,     // never shown: a message target only
};

struct WindowDescription {
    std::string title; // Windows-1252
    int clientWidth = 0;
    int clientHeight = 0;
    WindowStyle style = WindowStyle::Framed;
    // Where the window's outer top-left corner goes on the desktop: that of
    // the frame the desktop draws around a framed window. None centres a
    // framed window.
    std::optional<Point> position;
};

// What the desktop draws around a framed window's client area (title bar,
// borders), in pixels on each side.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

class Window;
using WindowProcedure = std::function<void(Window& window, const MessageRecord& message)>;

// A shape the pointer can take. Made by a window; shown by any window.
class Cursor {
public:
    virtual ~Cursor() = default;
};

enum class SystemCursorShape { Arrow, IBeam, Wait, No, SizeAll, SizeNESW, SizeNS, SizeNWSE, SizeWE, Hand };

// Whether the desktop starts a screen saver, and after how many seconds
// without input.
struct ScreenSaverSettings {
    bool active = false;
    int timeoutSeconds = 0;
};

class Window {
public:
    virtual ~Window() = default;

    // Creates the window hidden, in place of one made before. The largest
    // side is kMaxSide; a hidden window may have a size of 0. False, with
    // Error() telling why and no window, when it cannot be made.
    static constexpr int kMaxSide = 16384;
    virtual bool Create(const WindowDescription& description) = 0;
    virtual void Destroy() = 0;
    virtual bool IsCreated() const = 0;
    virtual const std::string& Error() const = 0;

    // Receives every message of this window, on the thread that pumps.
    virtual void SetProcedure(WindowProcedure procedure) = 0;

    // `activate` also raises the window and asks for the keyboard focus.
    virtual void Show(bool activate) = 0;
    virtual void Hide() = 0;
    // Restores a minimised window, raises it and asks for the focus.
    virtual void BringToFront() = 0;
    virtual bool IsMinimized() const = 0;
    virtual bool HasFocus() const = 0;
    virtual void SetTitle(const std::string& title) = 0;

    // The client area's top-left corner on the desktop.
    virtual Point Position() const = 0;
    // The frame of the last framed window the desktop decorated (the window
    // now, once it has one); zero when the system does not tell.
    virtual FrameMargins Decorations() const { return {}; }
    virtual void SetPosition(Point position) = 0;
    virtual Size ClientSize() const = 0;
    // Each side held to 1..kMaxSide.
    virtual void SetClientSize(Size size) = 0;
    // Pixels of the area frames are presented into (the whole desktop in
    // full screen).
    virtual Size DrawableSize() const = 0;

    // The desktop of the display the window is on (the first before there is
    // a window), the part of it not taken by panels, and its refresh rate in
    // Hz (0 when the system does not tell).
    virtual Size DesktopSize() const = 0;
    virtual Rect WorkArea() const = 0;
    virtual int RefreshRate() const = 0;
    // The desktop's screen saver; empty when the system does not tell.
    virtual std::optional<ScreenSaverSettings> ScreenSaver() const = 0;
    // Whether the desktop may start its screen saver while the program runs
    // (it may not, at first).
    virtual void AllowScreenSaver(bool allow) = 0;

    // Delivers everything pending, never waiting: messages posted to any
    // window of the process, input and state changes, then due timers. Call
    // it on the thread that created the windows.
    virtual void PumpMessages() = 0;
    // Any thread: queues a message for the next pump. False when
    // kMaxPostedMessages are already waiting.
    static constexpr size_t kMaxPostedMessages = 10000;
    virtual bool PostMessage(const MessageRecord& message) = 0;
    // WM_TIMER with the id every `periodMs` (at least 1), when the pump finds
    // it due; setting an id again restarts it.
    virtual void SetTimer(uintptr_t id, uint32_t periodMs) = 0;
    virtual void KillTimer(uintptr_t id) = 0;

    // Any thread: where the pointer was last seen, in client coordinates, and
    // whether it is over the client area. Kept up to date by the pump.
    virtual Point CursorPosition() const = 0;
    virtual bool CursorInside() const = 0;

    virtual void ShowCursor(bool visible) = 0;
    virtual void SetCursor(const Cursor& cursor) = 0;
    virtual const Cursor& SystemCursor(SystemCursorShape shape) = 0;
    // A cursor from width × height ARGB words (straight alpha), rows top
    // down, with the hot spot inside it. Null when the size is outside
    // 1..kMaxCursorSide, the hot spot outside the picture, or the system
    // cannot show colour cursors.
    static constexpr int kMaxCursorSide = 256;
    virtual std::unique_ptr<Cursor> CreateCursor(const uint32_t* argb, int width, int height, Point hotSpot) = 0;

    // Shows the frame scaled into `destination` (drawable pixels; an empty
    // rectangle means all of it) with black around it. On the creating
    // thread only. False, with Error() set, for an unreadable frame, another
    // thread or a failing display.
    virtual bool Present(const Frame& frame, const Rect& destination) = 0;
    // Shows again only `area` (frame pixels) of a frame whose other pixels
    // equal those of the frame presented last into the same destination;
    // what the window can keep it does not redraw. By default, and wherever
    // the window cannot keep the rest, the whole frame as Present shows it.
    virtual bool PresentArea(const Frame& frame, const Rect& destination, const Rect& area);
    // Present, the readable frame's rows also copied as they are into
    // `copy` (room for them, rows `copyPitch` bytes apart), whether or not
    // the frame can be shown: the screen that keeps what the window shows,
    // filled from rows read once where the window can.
    virtual bool PresentCopying(const Frame& frame, const Rect& destination, uint8_t* copy, int copyPitch);
};

// The window of the running system.
std::unique_ptr<Window> MakeSystemWindow();

// Whether a window made now would be seen: false without a display, or on a
// driver that shows nothing anyone could answer (the tests' dummy driver).
bool WindowsAreSeen();

} // namespace Platform
