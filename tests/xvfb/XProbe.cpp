// xprobe: what an end-to-end test needs of a real X server, as a person at
// the desktop would do it: wait until a window is on the screen, take a
// screenshot of it, move the pointer, click and type into it (through the
// XTest extension, so the program receives real input events), close it with
// the window manager's close button.
//
//   xprobe wait <title> <seconds>           exit 0 once a viewable window of that name exists
//   xprobe shot <title> <out.ppm>           the window's contents as binary PPM (P6)
//   xprobe pixel <title> <x> <y>            the colour at (x, y) of the window, printed as rrggbb
//   xprobe move <title> <x> <y>             the pointer to (x, y) of the window
//   xprobe click <title> <x> <y> [button]   there, press and release (1 left, 2 middle, 3 right)
//   xprobe press <title> <x> <y> [button]   there, press only
//   xprobe release <title> <x> <y> [button] there, release only
//   xprobe key <title> <keys>               keys held together, such as ctrl+alt+d or F1
//   xprobe close <title>                    WM_DELETE_WINDOW, as a close button sends it
//   xprobe blur <title>                     the keyboard focus away from it, to the desktop
//
// Clicks and keys first give the window the keyboard focus, as a window
// manager does when a window is clicked.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

struct XFreer {
    void operator()(void* data) const { XFree(data); }
};

struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

// Windows come and go while the tree is walked: a request about one that has
// just gone fails and is taken as "no such window", instead of Xlib's default
// of ending the program.
extern "C" int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The raw bytes of a text property of any type: the toolkit may write the
// title as UTF8_STRING, which XFetchName does not return.
std::string TextProperty(Display* display, Window window, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) != Success || !data)
        return {};
    const std::unique_ptr<unsigned char, XFreer> owned(data);
    if (format != 8)
        return {};
    return std::string(reinterpret_cast<const char*>(data), count);
}

bool IsMapped(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

bool HasTitle(Display* display, Window window, const std::string& title)
{
    static const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    return TextProperty(display, window, netName) == title || TextProperty(display, window, XA_WM_NAME) == title;
}

// Depth first from the root: a window manager, where there is one, puts the
// program's window inside a frame of its own.
Window FindWindow(Display* display, Window parent, const std::string& title)
{
    Window root = None;
    Window parentOfParent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return None;
    const std::unique_ptr<Window, XFreer> owned(children);
    for (unsigned int i = 0; i < count; ++i) {
        if (HasTitle(display, children[i], title) && IsMapped(display, children[i]))
            return children[i];
        if (const Window found = FindWindow(display, children[i], title))
            return found;
    }
    return None;
}

Window FindWindow(Display* display, const std::string& title)
{
    return FindWindow(display, DefaultRootWindow(display), title);
}

Window FindOrComplain(Display* display, const std::string& title)
{
    const Window window = FindWindow(display, title);
    if (!window)
        std::fprintf(stderr, "xprobe: no window \"%s\"\n", title.c_str());
    return window;
}

int Wait(Display* display, const std::string& title, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!FindWindow(display, title)) {
        if (std::chrono::steady_clock::now() >= end) {
            std::fprintf(stderr, "xprobe: no window \"%s\" within %g s\n", title.c_str(), seconds);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

// One channel of an image pixel, widened to 8 bits whatever its width.
uint8_t Channel(unsigned long pixel, unsigned long mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!(mask >> shift & 1))
        ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / max);
}

int Shot(Display* display, const std::string& title, const std::string& path)
{
    const Window window = FindWindow(display, title);
    XWindowAttributes attributes;
    if (!window || !XGetWindowAttributes(display, window, &attributes)) {
        std::fprintf(stderr, "xprobe: no window \"%s\"\n", title.c_str());
        return 1;
    }
    const auto width = static_cast<unsigned int>(attributes.width);
    const auto height = static_cast<unsigned int>(attributes.height);
    const std::unique_ptr<XImage, ImageDestroyer> image(
        XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap));
    if (!image) {
        std::fprintf(stderr, "xprobe: the contents of \"%s\" cannot be read\n", title.c_str());
        return 1;
    }
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t{width} * height * 3);
    for (unsigned int y = 0; y < height; ++y)
        for (unsigned int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image.get(), static_cast<int>(x), static_cast<int>(y));
            rgb.push_back(Channel(pixel, image->red_mask));
            rgb.push_back(Channel(pixel, image->green_mask));
            rgb.push_back(Channel(pixel, image->blue_mask));
        }
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "xprobe: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

// A script waits on a colour where the program's screens differ, rather
// than on a guess at how long the program takes on a loaded machine.
int Pixel(Display* display, const std::string& title, int x, int y)
{
    const Window window = FindOrComplain(display, title);
    if (!window)
        return 1;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || x < 0 || y < 0 || x >= attributes.width ||
        y >= attributes.height) {
        std::fprintf(stderr, "xprobe: (%d, %d) is not in \"%s\"\n", x, y, title.c_str());
        return 1;
    }
    const std::unique_ptr<XImage, ImageDestroyer> image(XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap));
    if (!image) {
        std::fprintf(stderr, "xprobe: the contents of \"%s\" cannot be read\n", title.c_str());
        return 1;
    }
    const unsigned long pixel = XGetPixel(image.get(), 0, 0);
    std::printf("%02x%02x%02x\n", Channel(pixel, image->red_mask), Channel(pixel, image->green_mask),
        Channel(pixel, image->blue_mask));
    return 0;
}

int Close(Display* display, const std::string& title)
{
    const Window window = FindOrComplain(display, title);
    if (!window)
        return 1;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

// As when the person turns to another program: the window loses the
// keyboard focus to the desktop.
int Blur(Display* display, const std::string& title)
{
    if (!FindOrComplain(display, title))
        return 1;
    XSetInputFocus(display, DefaultRootWindow(display), RevertToPointerRoot, CurrentTime);
    XSync(display, False);
    return 0;
}

bool HasXTest(Display* display)
{
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (XTestQueryExtension(display, &event, &error, &major, &minor))
        return true;
    std::fputs("xprobe: the X server has no XTest extension\n", stderr);
    return false;
}

void Focus(Display* display, Window window)
{
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
}

// The pointer to (x, y) of the window, in the root window's coordinates.
void MovePointer(Display* display, Window window, int x, int y)
{
    int rootX = 0;
    int rootY = 0;
    Window child = None;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
    XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
}

// "move", "click", "press" or "release" at (x, y) of the window.
int Pointer(Display* display, const std::string& title, const std::string& action, int x, int y,
    unsigned int button)
{
    const Window window = FindOrComplain(display, title);
    if (!window || !HasXTest(display))
        return 1;
    if (action != "move")
        Focus(display, window);
    MovePointer(display, window, x, y);
    if (action == "click" || action == "press")
        XTestFakeButtonEvent(display, button, True, CurrentTime);
    if (action == "click" || action == "release")
        XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
    return 0;
}

// A key by its X name, with short names for the modifiers.
KeySym KeyNamed(const std::string& name)
{
    static const std::pair<const char*, const char*> kAliases[] = {
        {"ctrl", "Control_L"}, {"alt", "Alt_L"}, {"shift", "Shift_L"}, {"enter", "Return"}, {"esc", "Escape"}};
    for (const auto& [alias, real] : kAliases)
        if (name == alias)
            return XStringToKeysym(real);
    return XStringToKeysym(name.c_str());
}

// Keys joined by '+' go down in order and come up in the reverse order.
int Keys(Display* display, const std::string& title, const std::string& keys)
{
    const Window window = FindOrComplain(display, title);
    if (!window || !HasXTest(display))
        return 1;
    std::vector<KeyCode> codes;
    size_t start = 0;
    while (start <= keys.size()) {
        const size_t end = std::min(keys.find('+', start), keys.size());
        const std::string name = keys.substr(start, end - start);
        const KeySym symbol = KeyNamed(name);
        const KeyCode code = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
        if (code == 0) {
            std::fprintf(stderr, "xprobe: no key \"%s\"\n", name.c_str());
            return 2;
        }
        codes.push_back(code);
        start = end + 1;
    }
    Focus(display, window);
    for (const KeyCode code : codes)
        XTestFakeKeyEvent(display, code, True, CurrentTime);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        XTestFakeKeyEvent(display, *code, False, CurrentTime);
    XSync(display, False);
    return 0;
}

int Usage()
{
    std::fputs("usage: xprobe wait <title> <seconds> | shot <title> <out.ppm> | pixel <title> <x> <y> | close <title>\n"
               "     | blur <title>\n"
               "     | move <title> <x> <y> | click|press|release <title> <x> <y> [button] | key <title> <keys>\n",
        stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    const std::string title = argv[2];
    XSetErrorHandler(IgnoreXError);
    const DisplayPtr display(XOpenDisplay(nullptr));
    if (!display) {
        std::fputs("xprobe: no X display\n", stderr);
        return 1;
    }
    if (command == "wait" && argc == 4)
        return Wait(display.get(), title, std::atof(argv[3]));
    if (command == "shot" && argc == 4)
        return Shot(display.get(), title, argv[3]);
    if (command == "pixel" && argc == 5)
        return Pixel(display.get(), title, std::atoi(argv[3]), std::atoi(argv[4]));
    if (command == "close" && argc == 3)
        return Close(display.get(), title);
    if (command == "blur" && argc == 3)
        return Blur(display.get(), title);
    if (command == "key" && argc == 4)
        return Keys(display.get(), title, argv[3]);
    const bool pointer = command == "move" || command == "click" || command == "press" || command == "release";
    if (pointer && (argc == 5 || (argc == 6 && command != "move"))) {
        const int button = argc == 6 ? std::atoi(argv[5]) : 1;
        if (button < 1 || button > 5)
            return Usage();
        return Pointer(display.get(), title, command, std::atoi(argv[3]), std::atoi(argv[4]),
            static_cast<unsigned int>(button));
    }
    return Usage();
}
