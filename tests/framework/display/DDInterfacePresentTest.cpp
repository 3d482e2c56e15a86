#include "framework/display/DDInterface.h"

#include "DisplayFixture.h"
#include "fakes/DisplayApp.h"
#include "fakes/RecordingImage.h"
#include "fakes/SurfaceDisplayApp.h"
#include "framework/graphics/ArgbReference.h"
#include "platform/Frame.h"
#include "platform/Surface.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Platform::PixelFormat;
using Platform::Surface;
using Testing::CaseName;
using Testing::SurfacePixels;
using Vorn::DDInterface;
using Vorn::Rect;
using Pixels = std::vector<uint32_t>;

Pixels All(Surface& surface) { return SurfacePixels(surface); }
// The pixels of a rectangle of a surface, as far as it lies on it, row by
// row; with `value`, that rectangle is painted first.
Pixels Area(Surface& surface, Rect rect, std::optional<uint32_t> value = {})
{
    rect = rect.Intersection(Rect(0, 0, surface.Width(), surface.Height()));
    Pixels all = All(surface), area;
    for (int y = rect.mY; y < rect.mY + rect.mHeight; ++y)
        for (int x = rect.mX; x < rect.mX + rect.mWidth; ++x)
            area.push_back(value ? all[y * surface.Width() + x] = *value : all[y * surface.Width() + x]);
    if (value)
        SurfacePixels(surface, all);
    return area;
}

// Every pixel unlike its neighbours and never 0, so that a pixel put back at
// the wrong place or left unwritten shows.
Pixels FillPattern(Surface& surface, uint32_t seed)
{
    const PixelFormat f = surface.Format();
    Pixels pattern;
    for (uint32_t i = 0; i < static_cast<uint32_t>(surface.Width() * surface.Height()); ++i) {
        const uint32_t h = (i * 0x9E3779B1u ^ seed * 0x85EBCA77u) * 0x2C1B3C6Du;
        pattern.push_back(((h ^ h >> 15) & (f.redMask | f.greenMask | f.blueMask)) | 1u);
    }
    return SurfacePixels(surface, pattern);
}

// What the window shows of a screen's pixels, as 0xFFRRGGBB words.
Pixels Shown(const Pixels& pixels, const PixelFormat& format, int width)
{
    const size_t bytes = static_cast<size_t>(format.BytesPerPixel());
    Pixels packed(pixels.size()), shown(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i)
        std::memcpy(reinterpret_cast<uint8_t*>(packed.data()) + i * bytes, &pixels[i], bytes);
    const Platform::Frame frame{
        packed.data(), width * format.BytesPerPixel(), width, static_cast<int>(pixels.size()) / width, format};
    EXPECT_TRUE(Platform::ConvertToXrgb8888(frame, shown.data(), width * 4));
    return shown;
}

class PresentTest : public Testing::DisplayFixture {
protected:
    void Open(bool windowed, int depth = 32, Platform::Size desktop = {1024, 768})
    {
        ASSERT_EQ(Init(windowed, depth, desktop), DDInterface::RESULT_OK) << display.mErrorString;
    }

    // Draws a frame and presents it; the screen's pixels.
    Pixels PresentFrame(uint32_t seed)
    {
        FillPattern(*display.mDrawSurface, seed);
        EXPECT_TRUE(display.Redraw(nullptr)) << display.mErrorString;
        return All(*display.mPrimarySurface);
    }

    // The saved area holds the screen's pixels under the cursor at (x, y), as
    // far as the area lies in the region (the frame by default).
    void ExpectSavedUnder(int x, int y, Rect region = Rect(0, 0, 800, 600))
    {
        const Rect visible = Rect(x - 32, y - 32, 64, 64).Intersection(region);
        ASSERT_EQ(display.mHasSavedBackground, visible.mWidth > 0 && visible.mHeight > 0);
        const Rect part(visible.mX - (x - 32), visible.mY - (y - 32), visible.mWidth, visible.mHeight);
        if (display.mHasSavedBackground) {
            EXPECT_EQ(display.mSavedCursorPart, part);
            EXPECT_EQ(Area(*display.mOldCursorArea, part), Area(*display.mPrimarySurface, visible));
        }
    }

    // Marks the screen where a cursor covering its whole area would be
    // drawn: every later step must take it off again.
    void StampCursor(int x, int y)
    {
        const Rect& part = display.mSavedCursorPart;
        if (display.mHasSavedBackground)
            Area(*display.mPrimarySurface, Rect(x - 32 + part.mX, y - 32 + part.mY, part.mWidth, part.mHeight), 0xA5A5);
    }

    Testing::RecordingImage cursor{32, 32, "cursor"};
};

// Every surface takes the screen's format; channels are the bit count and
// shift of red, green and blue. A lost screen then fails with the operation
// and result name.
struct PresentCase {
    const char* name; bool windowed; int depth; bool messageBox; Platform::Rect destination; const char* lost;
    PixelFormat screen; std::array<int, 6> channels;
};
const std::array<int, 6> kShifts888{8, 8, 8, 16, 8, 0}, kShifts565{5, 6, 5, 11, 5, 0}, kShifts555{5, 5, 5, 10, 5, 0};
const PixelFormat kX888 = Platform::kFormatX8R8G8B8, kR565 = Platform::kFormatR5G6B5, kX555 = Platform::kFormatX1R5G5B5;

class Presentation : public PresentTest, public testing::WithParamInterface<PresentCase> {};

TEST_P(Presentation, ShowsTheDrawnFrameInTheScreensFormat)
{
    const PresentCase& c = GetParam();
    app.mMessageBoxPopup = c.messageBox;
    display.mDesktopFormat = c.windowed ? c.screen : kX888;
    Open(c.windowed, c.depth, {1920, 1200});
    for (const auto* surface : {&display.mPrimarySurface, &display.mDrawSurface, &display.mBackSurface,
             &display.mOldCursorArea, &display.mNewCursorArea})
        EXPECT_EQ((*surface)->Format(), c.screen);
    EXPECT_EQ((std::array{display.mRedBits, display.mGreenBits, display.mBlueBits, display.mRedShift,
                  display.mGreenShift, display.mBlueShift}), c.channels);
    EXPECT_EQ(display.mPrimarySurface->BackBuffer() != nullptr, !c.windowed);
    const Pixels drawn = PresentFrame(7);
    EXPECT_EQ(drawn, All(*display.mDrawSurface));
    ASSERT_EQ(window.Presents().size(), 1u);
    const Testing::FakeWindow::Presented& shown = window.Presents().back();
    // A mode keeps its aspect on a wider desktop.
    EXPECT_TRUE(shown.format == display.mPrimarySurface->Format() && shown.destination == c.destination);
    EXPECT_EQ(shown.pixels, Shown(drawn, shown.format, 800));
    display.mPrimarySurface->MarkLost();
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_EQ(display.mErrorString, std::string("Redraw ") + c.lost + ": DDERR_SURFACELOST");
    EXPECT_TRUE(!display.mInRedraw && window.Presents().size() == 1);
}

INSTANTIATE_TEST_SUITE_P(Modes, Presentation,
    testing::Values(PresentCase{"Windowed", true, 16, false, {0, 0, 800, 600}, "Windowed", kX888, kShifts888},
        PresentCase{"Windowed555", true, 16, false, {0, 0, 800, 600}, "Windowed", kX555, kShifts555},
        PresentCase{"Flip16", false, 16, false, {160, 0, 1600, 1200}, "FullScreen Flip", kR565, kShifts565},
        PresentCase{"Blt16", false, 16, true, {160, 0, 1600, 1200}, "FullScreen Blt", kR565, kShifts565},
        PresentCase{"Flip32", false, 32, false, {160, 0, 1600, 1200}, "FullScreen Flip", kX888, kShifts888},
        PresentCase{"Blt32", false, 32, true, {160, 0, 1600, 1200}, "FullScreen Blt", kX888, kShifts888}),
    CaseName<PresentCase>);

// Pixels of a screen's format as the bytes of its rows.
std::vector<uint8_t> Packed(const Pixels& pixels, const PixelFormat& format)
{
    const size_t bytes = static_cast<size_t>(format.BytesPerPixel());
    std::vector<uint8_t> packed(pixels.size() * bytes);
    for (size_t i = 0; i < pixels.size(); ++i)
        std::memcpy(&packed[i * bytes], &pixels[i], bytes);
    return packed;
}

struct StretchCase { const char* name; int depth; bool messageBox; };

class StretchedPresentation : public PresentTest, public testing::WithParamInterface<StretchCase> {};

// The 3D road on a wider desktop runs the desktop's mode and stretches the
// frame into its letterbox rectangle by the same area filter as the window's
// present, bars black, by flip or by blit, at either depth. The cursor is
// drawn onto the stretched frame afterwards, pixel for pixel where the
// pointer is. A locked or lost frame is refused as a blit refuses it.
TEST_P(StretchedPresentation, StretchesTheFrameByAreaAndLaysTheCursorOnItExactly)
{
    const StretchCase& c = GetParam();
    app.mMessageBoxPopup = c.messageBox;
    display.mIs3D = true;
    Open(false, c.depth, {1920, 1080});
    ASSERT_TRUE(display.mIsStretched && display.mPresentationRect == Rect(240, 0, 1440, 1080));
    const PixelFormat format = display.mPrimarySurface->Format();
    const auto cursorImage = Testing::MakeImage(16, Pixels(16 * 16, 0xFF00FF00));
    display.SetCursorImage(cursorImage.get());
    display.SetCursorPos(1000, 500);
    const std::vector<uint8_t> frame = Packed(FillPattern(*display.mDrawSurface, 9), format);
    ASSERT_TRUE(display.Redraw(nullptr)) << display.mErrorString;
    display.SetCursorPos(1001, 502);

    const int bytes = format.BytesPerPixel();
    std::vector<uint8_t> screen(size_t{1920} * 1080 * bytes);
    ASSERT_TRUE(Platform::ScaleToFormat({frame.data(), 800 * bytes, 800, 600, format}, &screen[240 * bytes],
                                        1920 * bytes, format, 1440, 1080));
    Pixels expected(size_t{1920} * 1080);
    for (size_t i = 0; i < expected.size(); ++i)
        std::memcpy(&expected[i], &screen[i * bytes], bytes);
    const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
    for (int y = 502 - 8; y < 502 + 8; ++y)
        for (int x = 1001 - 8; x < 1001 + 8; ++x)
            expected[static_cast<size_t>(y * 1920 + x)] =
                Reference::Premultiplied(0xFF00FF00, masks) & (bytes == 2 ? 0xFFFFu : 0xFFFFFFFFu);
    const Pixels shown = All(*display.mPrimarySurface);
    ASSERT_EQ(shown.size(), expected.size());
    for (size_t i = 0; i < shown.size(); ++i)
        ASSERT_EQ(shown[i], expected[i]) << i % 1920 << ", " << i / 1920;

    if (!c.messageBox)
        return;
    display.SetCursorImage(nullptr);
    const Pixels before = All(*display.mPrimarySurface);
    Platform::LockedPixels held;
    ASSERT_EQ(display.mDrawSurface->Lock(held), Platform::kDDOk);
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_EQ(display.mErrorString, "Redraw FullScreen Blt: DDERR_SURFACEBUSY");
    display.mDrawSurface->Unlock();
    display.mDrawSurface->MarkLost();
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_EQ(display.mErrorString, "Redraw FullScreen Blt: DDERR_SURFACELOST");
    EXPECT_EQ(All(*display.mPrimarySurface), before);
}

INSTANTIATE_TEST_SUITE_P(Roads, StretchedPresentation,
    testing::Values(StretchCase{"Flip16", 16, false}, StretchCase{"Blt16", 16, true},
        StretchCase{"Flip32", 32, false}, StretchCase{"Blt32", 32, true}),
    CaseName<StretchCase>);

TEST_F(PresentTest, ClipIsHeldToTheBufferAndAnEmptyOnePresentsNothing)
{
    EXPECT_FALSE(display.Redraw(nullptr));
    ASSERT_EQ(display.Init(nullptr, true), DDInterface::RESULT_OK);
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_EQ(display.mErrorString, "Present: DDERR_NOHWND");
    Open(true);
    const Pixels first = PresentFrame(1), second = FillPattern(*display.mDrawSurface, 2);
    const Rect outside(800, 0, 10, 10), corner(790, 590, 50, 50);
    EXPECT_TRUE(display.Redraw(&outside) && window.Presents().size() == 1);
    ASSERT_TRUE(display.Redraw(&corner));
    const Pixels screen = All(*display.mPrimarySurface);
    for (size_t i = 0; i < screen.size(); ++i)
        ASSERT_EQ(screen[i], i % 800 >= 790 && i / 800 >= 590 ? second[i] : first[i]) << i;
    // The window is told which part changed; a whole frame changes all.
    ASSERT_EQ(window.Presents().size(), 2u);
    EXPECT_EQ(window.Presents()[0].area, std::nullopt);
    EXPECT_EQ(window.Presents()[1].area, (Platform::Rect{790, 590, 10, 10}));
    // With a cursor, the whole frame: the cursor may have left the rectangle.
    display.SetCursorImage(&cursor);
    const Pixels third = FillPattern(*display.mDrawSurface, 3);
    ASSERT_TRUE(display.Redraw(&corner));
    EXPECT_EQ(All(*display.mPrimarySurface), third);
    EXPECT_EQ(window.Presents().back().area, std::nullopt);
}

// A whole frame goes to the screen and the window in one pass only where a
// copy would go: a frame or a screen someone holds, or one lost, is refused
// with the copy's own error, the screen and the window left as they were.
TEST_F(PresentTest, AWholeFrameHeldOrLostIsRefusedAsItsCopyWouldBe)
{
    Open(true);
    const Pixels first = PresentFrame(1);
    FillPattern(*display.mDrawSurface, 2);
    for (const bool holdScreen : {false, true}) {
        SCOPED_TRACE(holdScreen);
        Surface& held = holdScreen ? *display.mPrimarySurface : *display.mDrawSurface;
        Platform::LockedPixels pixels;
        ASSERT_EQ(held.Lock(pixels), Platform::kDDOk);
        EXPECT_FALSE(display.Redraw(nullptr));
        held.Unlock();
        EXPECT_EQ(display.mErrorString, "Redraw Windowed: DDERR_SURFACEBUSY");
        EXPECT_EQ(All(*display.mPrimarySurface), first);
        EXPECT_EQ(window.Presents().size(), 1u);
        EXPECT_EQ(display.mPrimarySurface->LockCount() + display.mDrawSurface->LockCount(), 0);
    }
    const Pixels second = PresentFrame(3);
    EXPECT_EQ(window.Presents().back().pixels, Shown(second, display.mPrimarySurface->Format(), 800));
    display.mDrawSurface->MarkLost();
    EXPECT_FALSE(display.Redraw(nullptr));
    EXPECT_EQ(display.mErrorString, "Redraw Windowed: DDERR_SURFACELOST");
    EXPECT_EQ(All(*display.mPrimarySurface), second);
    EXPECT_EQ(window.Presents().size(), 2u);
}

// The frames the game draws mark the whole buffer: a rectangle holding all
// of it (or more) goes out whole in the one pass, as no rectangle does; a
// part alone is copied and told as before.
TEST_F(PresentTest, ARectangleHoldingTheWholeFrameGoesOutInOnePass)
{
    Open(true);
    PresentFrame(1);
    const int before = window.copyingPresents;
    for (const Rect& clip : {Rect(0, 0, 800, 600), Rect(-5, -5, 900, 700)}) {
        const Pixels frame = FillPattern(*display.mDrawSurface, clip.mX + 7);
        ASSERT_TRUE(display.Redraw(&clip));
        EXPECT_EQ(All(*display.mPrimarySurface), frame);
        EXPECT_EQ(window.Presents().back().area, std::nullopt);
        EXPECT_EQ(window.Presents().back().pixels, Shown(frame, display.mPrimarySurface->Format(), 800));
    }
    EXPECT_EQ(window.copyingPresents, before + 2);
    const Rect part(0, 0, 800, 599);
    FillPattern(*display.mDrawSurface, 9);
    ASSERT_TRUE(display.Redraw(&part));
    EXPECT_EQ(window.copyingPresents, before + 2);
    EXPECT_EQ(window.Presents().back().area, (Platform::Rect{0, 0, 800, 599}));
}

// A part presented in full screen goes out whole: the frame is scaled. So
// does a part after the cursor steps changed the screen elsewhere.
TEST_F(PresentTest, OnlyAWindowShowsAPartAloneAndOnlyWhenNothingElseChanged)
{
    const Rect corner(0, 0, 20, 10);
    Open(false);
    PresentFrame(1);
    ASSERT_TRUE(display.Redraw(&corner));
    EXPECT_EQ(window.Presents().back().area, std::nullopt);

    Open(true);
    PresentFrame(2);
    // Taking the cursor away restores the screen under it, far from the part.
    display.SetCursorImage(&cursor);
    display.SetCursorPos(400, 300);
    display.SetCursorImage(nullptr);
    ASSERT_TRUE(display.Redraw(&corner));
    EXPECT_EQ(window.Presents().back().area, std::nullopt);
    ASSERT_TRUE(display.Redraw(&corner));
    EXPECT_EQ(window.Presents().back().area, (Platform::Rect{0, 0, 20, 10}));
}

TEST_F(PresentTest, FramesReachASystemWindowInEitherMode)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    for (const bool windowed : {true, false}) {
        const std::unique_ptr<Platform::Window> system = Platform::MakeSystemWindow();
        ASSERT_TRUE(system->Create({"", 800, 600,
            windowed ? Platform::WindowStyle::Framed : Platform::WindowStyle::FullScreen, {}}));
        ASSERT_EQ(display.Init(system.get(), windowed), DDInterface::RESULT_OK) << display.mErrorString;
        EXPECT_TRUE(display.Redraw(nullptr)) << display.mErrorString;
    }
}

struct WalkCase { const char* name; bool windowed; int depth; };

// A cursor that really draws: 17 x 11 pixels, odd so that its centring in
// the 64 x 64 area rounds, each opaque pixel unlike the next, with a
// transparent border column and a transparent pixel inside.
Pixels CursorPixels()
{
    Pixels pixels;
    for (uint32_t i = 0; i < 17 * 11; ++i)
        pixels.push_back(i % 17 == 0 || i == 100 ? 0x00FFFFFFu : 0xFF000000u | ((i * 0x3D2B1Fu) & 0xFFFFFF));
    return pixels;
}

// Where two screens differ, as "x,y got/expected", the first few.
std::string Differences(const Pixels& got, const Pixels& expected)
{
    std::string text;
    for (size_t i = 0, shown = 0; i < got.size() && i < expected.size() && shown < 8; ++i)
        if (got[i] != expected[i]) {
            text += " " + std::to_string(i % 800) + "," + std::to_string(i / 800) + " " + std::to_string(got[i]) + "/" +
                    std::to_string(expected[i]);
            ++shown;
        }
    return text;
}

class CursorWalk : public PresentTest, public testing::WithParamInterface<WalkCase> {
protected:
    // The frame with the cursor drawn centred on (x, y): its opaque pixels in
    // the screen's format, as far as they lie on the screen.
    Pixels WithCursor(Pixels screen, int x, int y)
    {
        const PixelFormat format = display.mPrimarySurface->Format();
        const uint32_t masks[3] = {format.redMask, format.greenMask, format.blueMask};
        const int left = x - 32 + (64 - 17) / 2, top = y - 32 + (64 - 11) / 2;
        for (int j = 0; j < 11; ++j)
            for (int i = 0; i < 17; ++i) {
                const uint32_t c = cursorPixels[static_cast<size_t>(j * 17 + i)];
                if (c >> 24 != 0 && left + i >= 0 && left + i < 800 && top + j >= 0 && top + j < 600) {
                    const uint32_t native = Reference::Premultiplied(c, masks);
                    screen[static_cast<size_t>((top + j) * 800 + left + i)] =
                        format.bitsPerPixel == 16 ? native & 0xFFFF : native;
                }
            }
        return screen;
    }

    const Pixels cursorPixels = CursorPixels();
    std::unique_ptr<Vorn::MemoryImage> drawn = Testing::MakeImage(17, cursorPixels);
};

// After every move the screen is the frame with the cursor centred on the
// pointer, nothing of an earlier place left; the saved area holds the frame
// under the cursor; a redraw leaves the cursor on the screen alone.
TEST_P(CursorWalk, ShowsTheCursorCentredOnThePointerAndLeavesNothingBehind)
{
    // Small and large moves, onto every edge and corner, partly and wholly
    // off the screen.
    const Platform::Point walk[] = {{400, 300}, {405, 303}, {510, 306}, {0, 0}, {5, 3}, {-31, 300}, {-40, 300},
        {-20, 310}, {799, 599}, {794, 596}, {830, 300}, {799, 0}, {797, -31}, {0, 599}, {400, 631}, {400, 650},
        {400, 300}, {463, 363}, {336, 236}, {101, 501}, {120, 520}, {110, 515}};
    Open(GetParam().windowed, GetParam().depth);
    ASSERT_TRUE(display.SetCursorImage(drawn.get()));
    EXPECT_FALSE(display.SetCursorImage(drawn.get()));
    display.SetCursorPos(790, 10);
    const Pixels frame = FillPattern(*display.mDrawSurface, 3);
    ASSERT_TRUE(display.Redraw(nullptr));
    EXPECT_EQ(All(*display.mDrawSurface), frame);
    EXPECT_EQ(All(*(GetParam().windowed ? display.mDrawSurface : display.mBackSurface)), frame);
    const PixelFormat format = display.mPrimarySurface->Format();
    const Pixels onScreen = WithCursor(frame, 790, 10);
    ASSERT_EQ(All(*display.mPrimarySurface), onScreen) << Differences(All(*display.mPrimarySurface), onScreen);
    ASSERT_EQ(window.Presents().back().pixels, Shown(onScreen, format, 800));
    for (const Platform::Point& step : walk) {
        SCOPED_TRACE(std::to_string(step.x) + "," + std::to_string(step.y));
        display.SetCursorPos(step.x, step.y);
        const Pixels expected = WithCursor(frame, step.x, step.y);
        ASSERT_EQ(All(*display.mPrimarySurface), expected) << Differences(All(*display.mPrimarySurface), expected);
        const Rect visible = Rect(step.x - 32, step.y - 32, 64, 64).Intersection(Rect(0, 0, 800, 600));
        ASSERT_EQ(display.mHasSavedBackground, visible.mWidth > 0 && visible.mHeight > 0);
        if (display.mHasSavedBackground) {
            const Rect part(visible.mX - (step.x - 32), visible.mY - (step.y - 32), visible.mWidth, visible.mHeight);
            EXPECT_EQ(display.mSavedCursorPart, part);
            Pixels under;
            for (int y = visible.mY; y < visible.mY + visible.mHeight; ++y)
                for (int x = visible.mX; x < visible.mX + visible.mWidth; ++x)
                    under.push_back(frame[static_cast<size_t>(y * 800 + x)]);
            EXPECT_EQ(Area(*display.mOldCursorArea, part), under);
        }
        ASSERT_TRUE(display.PresentCursor());
        ASSERT_EQ(window.Presents().back().pixels, Shown(expected, format, 800));
    }
    // A redraw at the last place shows the same; taking the image away takes
    // the cursor off the screen.
    const Pixels again = PresentFrame(3);
    EXPECT_EQ(again, WithCursor(frame, 110, 515));
    EXPECT_TRUE(display.SetCursorImage(nullptr));
    EXPECT_EQ(All(*display.mPrimarySurface), frame);
    display.SetCursorPos(20, 20);
    EXPECT_FALSE(display.mHasSavedBackground);
    EXPECT_EQ(All(*display.mPrimarySurface), frame);
}

INSTANTIATE_TEST_SUITE_P(Screens, CursorWalk,
    testing::Values(WalkCase{"Windowed", true, 32}, WalkCase{"FullScreen16", false, 16},
        WalkCase{"FullScreen32", false, 32}),
    CaseName<WalkCase>);

// The mode keeps its shape on any desktop, centred: letterboxed on a 5:4
// desktop, one pixel wide on a desktop one pixel high. A desktop of no width
// or no height is handed on as it is.
TEST_F(PresentTest, AFullScreenModeKeepsItsShapeOnAnyDesktop)
{
    for (const auto& [desktop, shown] : {std::pair{Platform::Size{1280, 1024}, Platform::Rect{0, 32, 1280, 960}},
             {Platform::Size{800, 1}, Platform::Rect{399, 0, 1, 1}}, {Platform::Size{0, 600}, Platform::Rect{0, 0, 0, 600}},
             {Platform::Size{800, 0}, Platform::Rect{0, 0, 800, 0}}}) {
        Open(false, 32, desktop);
        PresentFrame(1);
        EXPECT_EQ(window.Presents().back().destination, shown) << desktop.width << "x" << desktop.height;
    }
}

// Window positions map back onto the screen shown in the window, rounding
// toward its top left; before anything is shown, or when the window shows
// nothing, they stay as they are.
TEST_F(PresentTest, WindowPositionsMapOntoTheScreenShownInTheWindow)
{
    const auto mapped = [this](int x, int y) {
        display.WindowToScreen(x, y);
        return Platform::Point{x, y};
    };
    Open(false, 32, {1280, 1024});
    EXPECT_EQ(mapped(640, 512), (Platform::Point{640, 512}));
    PresentFrame(1);
    EXPECT_EQ(mapped(640, 512), (Platform::Point{400, 300}));
    EXPECT_EQ(mapped(0, 32), (Platform::Point{0, 0}));
    EXPECT_EQ(mapped(1279, 991), (Platform::Point{799, 599}));
    EXPECT_EQ(mapped(2, 34), (Platform::Point{1, 1}));
    for (const Platform::Size desktop : {Platform::Size{0, 600}, Platform::Size{800, 0}}) {
        Open(false, 32, desktop);
        PresentFrame(1);
        EXPECT_EQ(mapped(5, 7), (Platform::Point{5, 7})) << desktop.width << "x" << desktop.height;
    }
}

// Another cursor image takes effect at the next move: the screen keeps the
// cursor drawn. Taking the image away takes the cursor off the screen and
// the window is shown the screen without it; taking it away again changes
// nothing, though a new frame came meanwhile.
TEST_F(PresentTest, ChangingOrRemovingTheCursorImage)
{
    Open(true);
    auto first = Testing::MakeImage(2, {0xFFFF0000, 0xFFFF0000});
    auto second = Testing::MakeImage(2, {0xFF00FF00, 0xFF00FF00});
    display.SetCursorImage(first.get());
    display.SetCursorPos(100, 100);
    PresentFrame(5);
    const Pixels withFirst = All(*display.mPrimarySurface);
    EXPECT_TRUE(display.SetCursorImage(second.get()));
    EXPECT_EQ(All(*display.mPrimarySurface), withFirst);
    EXPECT_TRUE(display.SetCursorImage(nullptr));
    const Pixels frame = FillPattern(*display.mDrawSurface, 5);
    EXPECT_EQ(All(*display.mPrimarySurface), frame);
    ASSERT_TRUE(display.PresentCursor());
    EXPECT_EQ(window.Presents().back().pixels, Shown(frame, display.mPrimarySurface->Format(), 800));
    const Pixels next = PresentFrame(6);
    EXPECT_FALSE(display.SetCursorImage(nullptr));
    EXPECT_EQ(All(*display.mPrimarySurface), next);
}

// Pointer positions at the ends of the int range draw nothing and save
// nothing, and leave the screen as it was.
TEST_F(PresentTest, ACursorAtTheEndsOfTheIntRangeDrawsNothing)
{
    Open(true);
    auto drawing = Testing::MakeImage(1, {0xFFFFFFFF});
    display.SetCursorImage(drawing.get());
    const Pixels frame = PresentFrame(4);
    for (const Platform::Point& at :
        {Platform::Point{INT_MAX, INT_MAX}, {INT_MIN, INT_MIN}, {INT_MAX, 300}, {400, INT_MIN}, {INT_MIN, INT_MAX}}) {
        display.SetCursorPos(at.x, at.y);
        EXPECT_FALSE(display.mHasSavedBackground) << at.x << "," << at.y;
        EXPECT_EQ(All(*display.mPrimarySurface), frame) << at.x << "," << at.y;
    }
}

TEST_F(PresentTest, PillarboxedFramesTakeTheCursorWhereItShows)
{
    app.mAspectCorrection = true, app.mAspect.Set(16, 9), Open(true);
    display.SetCursorImage(&cursor), display.SetCursorPos(150, 300);
    const Pixels screen = PresentFrame(6);
    // The frame starts at x = 133 and takes the cursor only that far.
    ExpectSavedUnder(150, 300, display.mPresentationRect);
    StampCursor(150, 300), display.SetCursorPos(160, 310);
    EXPECT_EQ(All(*display.mPrimarySurface), screen);
    ExpectSavedUnder(160, 310);
}

// What the cursor thread drew in the bars beside the frame is taken off by
// the next redraw, which draws the cursor only into the frame.
TEST_F(PresentTest, PillarboxedWindowKeepsNoCursorPixelsInItsBars)
{
    app.mAspectCorrection = true, app.mAspect.Set(16, 9), Open(true);
    const Pixels bare = PresentFrame(6);
    const auto image = Testing::MakeImage(32, Pixels(32 * 32, 0xFF00FF00));
    display.SetCursorImage(image.get());
    for (const Platform::Point& at : {Platform::Point{140, 300}, Platform::Point{1060, 20}}) {
        display.SetCursorPos(at.x, at.y);
        PresentFrame(6);
        display.SetCursorPos(600, 300);
        display.SetCursorImage(nullptr);
        EXPECT_EQ(All(*display.mPrimarySurface), bare) << at.x;
        display.SetCursorImage(image.get());
    }
}

// A cursor larger than its 64 x 64 area is cut to the area at every step.
TEST_F(PresentTest, CursorLargerThanItsAreaLeavesNothingOutsideIt)
{
    Open(true);
    const auto image = Testing::MakeImage(100, Pixels(100 * 100, 0xFF00FF00));
    display.SetCursorImage(image.get());
    PresentFrame(4);
    const Pixels frame = All(*display.mDrawSurface);
    const Platform::Point walk[] = {{400, 300}, {405, 303}, {390, 310}, {420, 280}, {520, 280}, {10, 10}, {12, 9}};
    for (const Platform::Point& step : walk) {
        SCOPED_TRACE(std::to_string(step.x) + "," + std::to_string(step.y));
        display.SetCursorPos(step.x, step.y);
        const Pixels screen = All(*display.mPrimarySurface);
        const Rect area(step.x - 32, step.y - 32, 64, 64);
        int outside = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                outside += !(x >= area.mX && x < area.mX + 64 && y >= area.mY && y < area.mY + 64) &&
                           screen[y * 800 + x] != frame[y * 800 + x];
        ASSERT_EQ(outside, 0);
    }
    display.SetCursorImage(nullptr);
    EXPECT_EQ(All(*display.mPrimarySurface), frame);
}

TEST_F(PresentTest, CursorOnlyRecordsWhileThereIsNoDisplayOrARedrawRuns)
{
    display.SetCursorImage(&cursor), display.SetCursorPos(10, 20);
    EXPECT_EQ(display.mCursorX, 0);
    EXPECT_TRUE(display.PresentCursor());
    Open(true), PresentFrame(1);
    display.mInRedraw = true, display.SetCursorPos(300, 200);
    EXPECT_EQ(display.mCursorX, 10);
    display.mInRedraw = false, PresentFrame(1);
    EXPECT_TRUE(display.mCursorX == 300 && display.mCursorY == 200);
    ExpectSavedUnder(300, 200);
}

TEST_F(PresentTest, FailedSaveLeavesTheScreenAndNothingSaved)
{
    Open(true);
    const Pixels frame = PresentFrame(1);
    display.SetCursorImage(&cursor), display.mOldCursorArea->MarkLost(), display.SetCursorPos(300, 200);
    EXPECT_FALSE(display.mHasSavedBackground);
    EXPECT_EQ(All(*display.mPrimarySurface), frame);
    EXPECT_TRUE(display.PresentCursor() && window.Presents().size() == 1);
}

TEST_F(PresentTest, CursorThreadAndRedrawsShareTheScreen)
{
    Open(true);
    const Pixels frame = PresentFrame(8);
    display.SetCursorImage(&cursor);
    std::atomic<bool> done{false};
    std::thread cursorThread([&] {
        for (int i = 0; !done; ++i)
            display.SetCursorPos(i * 37 % 900 - 50, i * 23 % 700 - 50);
    });
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(display.Redraw(nullptr)) << display.mErrorString;
    done = true, cursorThread.join();
    display.SetCursorImage(nullptr);
    EXPECT_TRUE(All(*display.mPrimarySurface) == frame && All(*display.mDrawSurface) == frame);
}

} // namespace
