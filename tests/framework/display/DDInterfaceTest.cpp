#include "framework/display/D3DInterface.h"
#include "framework/display/DDInterface.h"

#include "DisplayFixture.h"
#include "platform/Surface.h"

#include <cstdint>
#include <memory>

namespace {

using Platform::PixelFormat;
using Vorn::DDInterface;
using Vorn::Rect;

using DisplayTest = Testing::DisplayFixture;
using Testing::CaseName;

TEST_F(DisplayTest, TablesSaturateSumsAndPlaceChannelValues)
{
    ASSERT_EQ(Init(false, 16), DDInterface::RESULT_OK);
    ASSERT_TRUE(display.mRedAddTable.size() == 63 && display.mGreenAddTable.size() == 127);
    // The channel's top bits of i × max / 255, in place.
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(display.mGreenAddTable[std::min(i, 126)], std::min(i, 63)) << i;
        EXPECT_EQ(display.mRedAddTable[std::min(i, 62)], std::min(i, 31)) << i;
        EXPECT_EQ(display.mRedConvTable[i] | display.mGreenConvTable[i], (i * 31 / 255) << 11 | (i * 63 / 255) << 5);
    }
    ASSERT_EQ(Init(false), DDInterface::RESULT_OK);
    EXPECT_TRUE(display.mBlueAddTable.size() == 511 && display.mBlueAddTable[510] == 255);
    for (uint32_t i = 0; i < 256; ++i)
        EXPECT_EQ(display.mRedConvTable[i], i << 16);
}

// Headless drivers tell no desktop size: the buffer's stands in. The 3D road
// attaches to the drawing surface of the buffer's size.
TEST_F(DisplayTest, FullScreenFollowsAWiderDesktopOnlyForTheThreeDPath)
{
    const Rect plain(0, 0, 800, 600);
    const struct { Platform::Size desktop; bool is3D, widen; int bufferWidth, displayWidth; Rect presentation; }
    cases[] = {{{1920, 1200}, true, false, 800, 1920, Rect(160, 0, 1600, 1200)},
        {{1920, 1200}, true, true, 960, 1920, Rect(0, 0, 1920, 1200)}, {{1280, 1024}, true, false, 800, 800, plain},
        {{1920, 1200}, false, true, 800, 800, plain}, {{0, 1200}, true, false, 800, 800, plain}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        display.mIs3D = c.is3D, app.mWidenToDesktopAspect = c.widen, display.mErrorString.clear();
        EXPECT_EQ(Init(false, 16, c.desktop), DDInterface::RESULT_OK);
        EXPECT_EQ(display.mErrorString, "");
        EXPECT_EQ(display.mD3DInterface->mDevice != nullptr, c.is3D);
        EXPECT_EQ(display.mWidth * 10000 + display.mPrimarySurface->Width(), c.bufferWidth * 10000 + c.displayWidth);
        EXPECT_EQ(display.mIsStretched, c.displayWidth != 800);
        EXPECT_EQ(display.mPresentationRect, c.presentation);
    }
}

TEST_F(DisplayTest, HackAspectWidensTheWindowOnceAroundItsClientArea)
{
    app.mAspectCorrection = true, window.position = {300, 100}, app.mAspect.Set(16, 9);
    ASSERT_EQ(Init(true), DDInterface::RESULT_OK);
    EXPECT_TRUE(display.mPrimarySurface->Width() == 1066 && display.mPresentationRect == Rect(133, 0, 800, 600));
    EXPECT_EQ(window.ClientSize(), (Platform::Size{1066, 600}));
    ASSERT_EQ(display.Init(&window, true), DDInterface::RESULT_OK);
    EXPECT_EQ(window.position, (Platform::Point{167, 100}));
    // Widened to the desktop's shape, the window shows the whole buffer.
    app.mWidenToDesktopAspect = true, window.position = {50, 0};
    window.SetClientSize({800, 600});
    ASSERT_EQ(display.Init(&window, true), DDInterface::RESULT_OK);
    EXPECT_TRUE(display.mWidth == 1066 && display.mPresentationRect == Rect(0, 0, 1066, 600));
    EXPECT_EQ(window.position, (Platform::Point{0, 0}));
}

TEST_F(DisplayTest, RefreshRatesAreHeldBetweenSixtyAndOneHundred)
{
    const struct { int reported, rate, period; bool broken; } cases[] = {{0, 60, 16, true}, {59, 60, 16, true},
        {85, 85, 11, false}, {100, 100, 10, false}, {144, 100, 10, true}};
    for (const auto& c : cases) {
        window.refreshRate = c.reported, app.mVSyncBroken = false;
        ASSERT_EQ(Init(true), DDInterface::RESULT_OK);
        EXPECT_EQ(display.mRefreshRate * 100 + display.mMillisecondsPerFrame, c.rate * 100 + c.period) << c.reported;
        EXPECT_EQ(app.mVSyncBroken, c.broken) << c.reported;
    }
}

struct FailureCase { const char* name; bool windowed, withWindow; int colorDepth, width, result; const char* error; };

class InitFailures : public DisplayTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(InitFailures, ReturnTheirCodeAndText)
{
    const FailureCase& c = GetParam();
    app.mWidth = c.width, app.mHeight = c.width ? 600 : 0, display.mIs3D = true;
    display.mDesktopFormat = PixelFormat{c.colorDepth, 0xFF0000, 0x00FF00, 0x0000FF};
    EXPECT_EQ(Init(c.windowed, c.colorDepth, {1920, 1200}, c.withWindow), c.result);
    EXPECT_EQ(display.mErrorString, c.error);
    EXPECT_FALSE(display.mInitialized || display.mInitCount);
}

const char* const kBadMode = "SetDisplayMode FullScreen: DDERR_INVALIDMODE";

// A buffer without a size is never laid out: it would divide by 0.
INSTANTIATE_TEST_SUITE_P(Cases, InitFailures,
    testing::Values(FailureCase{"DesktopOf24Bits", true, true, 24, 800, DDInterface::RESULT_INVALID_COLORDEPTH, ""},
        FailureCase{"ModeOf24Bits", false, true, 24, 800, DDInterface::RESULT_DISPCHANGE_FAIL, kBadMode},
        FailureCase{"NoWindow", false, false, 32, 800, DDInterface::RESULT_EXCLUSIVE_FAIL,
            "SetCooperativeLevel FullScreen: DDERR_NOHWND"},
        FailureCase{"NoBufferFullScreen", false, true, 32, 0, DDInterface::RESULT_DISPCHANGE_FAIL, kBadMode},
        FailureCase{"NoBufferWindowed", true, true, 32, 0, DDInterface::RESULT_SURFACE_FAIL,
            "CreateSurface Windowed Primary: DDERR_INVALIDPARAMS"}),
    CaseName<FailureCase>);

Vorn::DDSurfaceDesc Plain(const PixelFormat* format = nullptr)
{
    Vorn::DDSurfaceDesc desc;
    desc.mFlags = Vorn::DDSD_CAPS | Vorn::DDSD_WIDTH | Vorn::DDSD_HEIGHT | (format ? Vorn::DDSD_PIXELFORMAT : 0);
    desc.mWidth = desc.mHeight = 8, desc.mPixelFormat = format ? *format : desc.mPixelFormat;
    return desc;
}

// Surfaces need a screen; the pixel order follows the screen, not the latest
// surface; initialising again starts from nothing, but the choice of video
// memory made before there was a screen holds.
TEST_F(DisplayTest, SurfacesNeedAScreenWhoseOrderTheyFollowAndInitStartsAfresh)
{
    std::shared_ptr<Platform::Surface> surface;
    Vorn::DDSurfaceDesc primary;
    primary.mFlags = Vorn::DDSD_CAPS, primary.mCaps = Vorn::DDSCAPS_PRIMARYSURFACE;
    EXPECT_EQ(display.CreateSurface(primary, surface), Vorn::kDDErrNotInitialized);
    EXPECT_EQ(display.CreateSurface(Plain(), surface), Vorn::kDDErrNotInitialized);
    display.SetDrawInVideoMemory(true);
    std::weak_ptr<Platform::Surface> firstScreen;
    for (const PixelFormat& screen : {Platform::kFormatX8B8G8R8, Platform::kFormatX8R8G8B8}) {
        const PixelFormat other =
            screen == Platform::kFormatX8R8G8B8 ? Platform::kFormatX8B8G8R8 : Platform::kFormatX8R8G8B8;
        display.mDesktopFormat = screen, display.mHasSavedBackground = true;
        ASSERT_EQ(Init(true), DDInterface::RESULT_OK);
        if (display.mInitCount == 1)
            firstScreen = display.mPrimarySurface;
        EXPECT_EQ(display.CreateSurface(primary, surface), Vorn::kDDErrPrimarySurfaceAlreadyExists);
        ASSERT_EQ(display.CreateSurface(Plain(), surface), Platform::kDDOk);
        EXPECT_EQ(surface->Format(), screen);
        ASSERT_EQ(display.CreateSurface(Plain(&other), surface), Platform::kDDOk);
        EXPECT_EQ(surface->Format(), other);
        EXPECT_EQ(Vorn::gStandardPixelOrder, screen.IsStandardOrder());
    }
    EXPECT_TRUE(firstScreen.expired() && !display.mHasSavedBackground && display.mDrawToVideoMemory);
    EXPECT_EQ(display.mInitCount, 2);
    display.CleanUp();
    EXPECT_TRUE(display.CreateSurface(Plain(), surface) == Vorn::kDDErrNotInitialized && surface == nullptr);
}

// Members die in the reverse order of their declaration, and the 3D
// interface and the images take the display lock as they go: no sanitizer
// sees a destroyed lock taken, so the order itself is pinned.
TEST_F(DisplayTest, TheLockOutlivesEveryMemberThatTakesItAsItDies)
{
    const auto at = [](const auto& member) { return reinterpret_cast<uintptr_t>(std::addressof(member)); };
    const uintptr_t lock = at(display.mCritSect);
    for (const uintptr_t member : {at(display.mD3DInterface), at(display.mD3DTester), at(display.mOldCursorImage),
             at(display.mNewCursorImage), at(display.mScreenImage)})
        EXPECT_LT(lock, member);
}

} // namespace
