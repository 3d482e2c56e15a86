#pragma once
// The display of the application's main window: the screen and the surfaces
// frames are drawn into and presented from, the pixel format and the tables
// the software blitters read, the set of images living on its surfaces, and
// the software cursor.
//
// The screen (the primary surface) is a memory surface of the display's size.
// In a window it is the window's own drawing area, so the window's client
// coordinates are screen coordinates. In full screen it stands for the display
// mode: the window shows it scaled into the desktop with its aspect kept, as a
// monitor shows a mode of another size. Only the main thread hands the screen
// to the window; the cursor thread writes memory only.

#include "framework/app/CriticalSection.h"
#include "framework/display/NativeDisplay.h"
#include "framework/display/Ratio.h"
#include "framework/graphics/Rect.h"
#include "platform/PixelFormat.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace Platform {
class Surface;
class Window;
} // namespace Platform

namespace Vorn {

class D3DInterface;
class D3DTester;
class DDImage;
class Image;
class MemoryImage;
class VornAppBase;

// The screen's channels lie blue below green below red, the order the blend
// formulas were written for. Taken from the screen's format once per display
// initialisation; read by the software blitters on any thread.
extern std::atomic<bool> gStandardPixelOrder;

// Surface description flags and capabilities, with DirectDraw's numbers.
inline constexpr uint32_t DDSD_CAPS = 0x00000001;
inline constexpr uint32_t DDSD_HEIGHT = 0x00000002;
inline constexpr uint32_t DDSD_WIDTH = 0x00000004;
inline constexpr uint32_t DDSD_BACKBUFFERCOUNT = 0x00000020;
inline constexpr uint32_t DDSD_PIXELFORMAT = 0x00001000;

inline constexpr uint32_t DDSCAPS_COMPLEX = 0x00000008;
inline constexpr uint32_t DDSCAPS_FLIP = 0x00000010;
inline constexpr uint32_t DDSCAPS_OFFSCREENPLAIN = 0x00000040;
inline constexpr uint32_t DDSCAPS_PRIMARYSURFACE = 0x00000200;
inline constexpr uint32_t DDSCAPS_SYSTEMMEMORY = 0x00000800;
inline constexpr uint32_t DDSCAPS_3DDEVICE = 0x00002000;
inline constexpr uint32_t DDSCAPS_VIDEOMEMORY = 0x00004000;

// Results of the display's own refusals, beside those of Platform::Surface.
inline constexpr int32_t kDDErrNotInitialized = static_cast<int32_t>(0x800401F0);
inline constexpr int32_t kDDErrInvalidMode = static_cast<int32_t>(0x88760078);
inline constexpr int32_t kDDErrNo3D = static_cast<int32_t>(0x887600AA);
inline constexpr int32_t kDDErrNoHWnd = static_cast<int32_t>(0x88760239);
inline constexpr int32_t kDDErrPrimarySurfaceAlreadyExists = static_cast<int32_t>(0x88760234);

// What CreateSurface is asked for. The screen (DDSCAPS_PRIMARYSURFACE) always
// has the display's size and format, with one back buffer when back buffers
// are asked for (DDSD_BACKBUFFERCOUNT); any other surface needs DDSD_WIDTH and
// DDSD_HEIGHT and, without DDSD_PIXELFORMAT, takes the screen's format.
struct DDSurfaceDesc {
    uint32_t mFlags = 0;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    int32_t mBackBufferCount = 0;
    uint32_t mCaps = 0;
    Platform::PixelFormat mPixelFormat;
};

class DDInterface : public NativeDisplay {
public:
    // Init's results; ResultToString names them.
    enum Result : int {
        RESULT_OK = 0,
        RESULT_FAIL = 1,
        RESULT_DD_CREATE_FAIL = 2,
        RESULT_SURFACE_FAIL = 3,
        RESULT_EXCLUSIVE_FAIL = 4,
        RESULT_DISPCHANGE_FAIL = 5,
        RESULT_INVALID_COLORDEPTH = 6,
        // The 3D path could not be set up.
        RESULT_UNKNOWN = 7,
    };

    // The cursor image is centred in an area of this size, and the area is
    // centred on the pointer.
    static constexpr int32_t kCursorAreaWidth = 64;
    static constexpr int32_t kCursorAreaHeight = 64;

    explicit DDInterface(VornAppBase* app);
    ~DDInterface() override;

    // "RESULT_UNKNOWN" for any code but 0..6.
    static std::string ResultToString(int result);

    // Sets the display up for the window from the application's size, colour
    // depth and aspect settings; every call starts by cleaning up. Full
    // screen runs at the colour depth the application asks for (16 bits:
    // 5-6-5, 32 bits: X8R8G8B8); a window runs at the desktop's format.
    int Init(Platform::Window* window, bool windowed);
    void CleanUp();

    // The image frames are drawn into, on the drawing or the back surface;
    // null before the display is initialised.
    DDImage* GetScreenImage();

    // Under the display lock. kDDErrNotInitialized before Init or after
    // CleanUp, and for anything but the screen while there is no screen yet.
    int32_t CreateSurface(const DDSurfaceDesc& desc, std::shared_ptr<Platform::Surface>& out);
    // Zeroes the pixels; a surface that cannot be locked is left alone.
    void ClearSurface(Platform::Surface* surface);
    // Whether frames are drawn straight into the back surface (made here on
    // first use) instead of the drawing surface. Cleared again when the back
    // surface cannot be made.
    void SetDrawInVideoMemory(bool drawInVideoMemory);

    // Every DDImage enters the set for its life; under the display lock.
    void RegisterImage(DDImage* image);
    void UnregisterImage(DDImage* image);
    // Frees the image's textures.
    void DropTextureData(MemoryImage* image);
    // Fills the image's allocated pixel words from its textures.
    bool ReadBackTextureBits(MemoryImage* image);
    // The capability test, once per display, when the application asks for
    // it or for 3D detection: its verdict may switch 3D off, and with
    // detection on. False when it did not run.
    bool RunD3DTest();
    // The 3D road could not open a scene on the drawing surface.
    bool Reported3DTrouble() const;

    // True for a failure result, after writing "operation: result name" as
    // the error text.
    bool CheckHResult(int32_t result, const char* operation);

    // Presents the frame drawn into the drawing surface: the clip rectangle
    // (held to the buffer) or, without one, the whole buffer. On the main
    // thread. False when the display is not initialised or presenting failed,
    // with the error text telling why.
    bool Redraw(const Rect* clip);
    // On the main thread: shows the screen again when the cursor thread has
    // changed it since it was last shown. False when showing it failed.
    bool PresentCursor();

    // The image drawn as the cursor, not owned; null for none. True when it
    // differs from the one held.
    bool SetCursorImage(Image* image);
    // The cursor thread's report of a new pointer position in client
    // coordinates; moves the cursor on the screen at once unless a redraw is
    // under way, which then draws it at the latest position.
    void SetCursorPos(int x, int y);

    // The cursor steps, under the display lock. DrawCursorOnto saves what lies
    // under the cursor at its drawn position and draws the cursor there;
    // RestoreUnderCursor puts the saved pixels back; MoveCursor moves a cursor
    // drawn on the screen to (x, y) without the screen ever showing it twice.
    void DrawCursorOnto(Platform::Surface& surface);
    void RestoreUnderCursor(Platform::Surface& surface);
    void MoveCursor(Platform::Surface& surface, int x, int y);

    // Guards initialisation, presentation, cursor updates, surface creation
    // and the image set; the holder may enter again. Declared before every
    // member whose destruction takes it (the 3D interface frees its
    // textures under it, images unregister under it), so that it outlives
    // them all.
    CriticalSection mCritSect;
    VornAppBase* mApp;
    // True while the screen image is drawn through the 3D road: the software
    // 3D device on the drawing surface.
    bool mIs3D = false;
    std::unique_ptr<D3DInterface> mD3DInterface;
    std::unique_ptr<D3DTester> mD3DTester;
    // Set while a redraw presents; the cursor thread then leaves the screen
    // alone. Read without the lock.
    std::atomic<bool> mInRedraw{false};

    std::shared_ptr<Platform::Surface> mPrimarySurface;
    // The full-screen back buffer, or in a window the buffer-size surface
    // frames are drawn into when drawing in video memory.
    std::shared_ptr<Platform::Surface> mBackSurface;
    std::shared_ptr<Platform::Surface> mDrawSurface;

    // The draw buffer.
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    Ratio mAspect;
    int32_t mDesktopWidth = 0;
    int32_t mDesktopHeight = 0;
    Ratio mDesktopAspect;
    // The buffer is shown on a display of another aspect.
    bool mIsStretched = false;
    // The screen's size.
    int32_t mDisplayWidth = 0;
    int32_t mDisplayHeight = 0;
    Ratio mDisplayAspect;
    // Where the buffer is shown on the screen.
    Rect mPresentationRect;
    // The bits per pixel the application asks for in full screen.
    int32_t mColorDepth = 0;
    int32_t mRefreshRate = 60;
    int32_t mMillisecondsPerFrame = 16;

    // Entry i of a channel's table is min(i, 2^bits - 1) for i up to twice
    // that: the sum of two channel values saturates in one lookup. 16-bit
    // drawing uses the low 16 bits of an entry.
    std::vector<int32_t> mRedAddTable;
    std::vector<int32_t> mGreenAddTable;
    std::vector<int32_t> mBlueAddTable;
    // Entry i is the 8-bit channel value i placed in the channel's mask.
    std::array<uint32_t, 256> mRedConvTable{};
    std::array<uint32_t, 256> mGreenConvTable{};
    std::array<uint32_t, 256> mBlueConvTable{};

    bool mInitialized = false;
    Platform::Window* mWindow = nullptr;
    bool mIsWindowed = true;
    // The format a window's screen takes. Desktops here run at 32 bits.
    Platform::PixelFormat mDesktopFormat = Platform::kFormatX8R8G8B8;
    std::set<DDImage*> mDDImageSet;
    // Frames are drawn straight into the back surface.
    bool mDrawToVideoMemory = false;
    int32_t mInitCount = 0;

    // Where the cursor is drawn or was last drawn, and the latest position
    // reported (written by the cursor thread).
    int32_t mCursorX = 0;
    int32_t mCursorY = 0;
    std::atomic<int32_t> mNextCursorX{0};
    std::atomic<int32_t> mNextCursorY{0};
    Image* mCursorImage = nullptr;
    // The old-cursor-area surface holds the pixels under the cursor drawn at
    // (mCursorX, mCursorY): the part mSavedCursorPart of the area, in area
    // coordinates.
    bool mHasSavedBackground = false;
    Rect mSavedCursorPart;
    std::shared_ptr<Platform::Surface> mOldCursorArea;
    std::shared_ptr<Platform::Surface> mNewCursorArea;
    // The images on the two areas, through which the cursor image is drawn;
    // they stay drawable in software while the display draws in 3D.
    std::unique_ptr<DDImage> mOldCursorImage;
    std::unique_ptr<DDImage> mNewCursorImage;
    // The image on the surface frames are drawn into.
    std::unique_ptr<DDImage> mScreenImage;

    // Where the window showed the screen last, in its drawable pixels: the
    // mapping of pointer positions in full screen. Written under the lock.
    Rect mScreenRectInWindow;
    // In full screen, a pointer position in the window into the screen's
    // pixels, as the screen was shown last; nothing before the screen has
    // been shown. Takes the lock: the cursor thread maps too.
    void WindowToScreen(int& x, int& y);

    // The last failure, as operation name, ": " and result name.
    std::string mErrorString;

private:
    int InitFullScreen(Platform::Window* window);
    int InitWindowed(Platform::Window* window);
    void FitWindowToDisplay(Platform::Window& window);
    uint32_t DrawSurfaceCaps() const;
    int32_t SetDisplayMode(int32_t width, int32_t height, int32_t bits);
    int32_t CreateScreen(uint32_t caps, int32_t backBufferCount);
    int32_t CreatePlainSurface(int32_t width, int32_t height, uint32_t caps,
                               std::shared_ptr<Platform::Surface>& out);
    void TakePixelFormat();
    void BuildTables();
    // An image holding an outside surface, with neither transparency nor
    // alpha.
    std::unique_ptr<DDImage> MakeSurfaceImage(std::shared_ptr<Platform::Surface> surface);
    // Draws the cursor image centred in a cursor area, moved by (dx, dy).
    // Draws the cursor into a cursor area at (dx, dy) from its usual place,
    // only inside `clip` (area coordinates).
    void DrawCursorImage(DDImage* area, int dx, int dy, const Rect& clip);
    void ReadRefreshRate(Platform::Window* window);

    // The surface the screen image draws into.
    Platform::Surface* FrameSurface() const;
    // The cursor area at (x, y) in the coordinates of the surface: frames in
    // a window lie at the presentation rectangle's corner of the screen.
    Rect CursorAreaOn(const Platform::Surface& surface, int x, int y) const;
    // Where the screen goes in the window's drawable pixels.
    Rect ScreenRect() const;
    // With an area (screen pixels), only that part changed since the last
    // presentation.
    bool PresentScreen(const Rect* area = nullptr);
    // The frame's `from` copied onto the whole screen and shown in the same
    // pass, where that copy is a plain one: whether it was shown. Nothing,
    // with nothing done, where the copy would stretch, convert, cover only a
    // part of the screen or be refused.
    std::optional<bool> PresentWholeFrame(Platform::Surface& frame, const Rect& from, const Rect& to);

    // Set by the cursor steps when they change the screen between
    // presentations.
    std::atomic<bool> mScreenChanged{false};
    // From the start of an initialisation to the next clean-up: surfaces may
    // be made.
    bool mDisplayOpen = false;
    // The mode's format in full screen, the desktop's in a window.
    Platform::PixelFormat mScreenFormat;
};

} // namespace Vorn
