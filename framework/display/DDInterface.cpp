#include "framework/display/DDInterface.h"

#include "framework/app/DebugPrint.h"
#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/display/D3DInterface.h"
#include "framework/display/D3DTester.h"
#include "framework/display/DDImage.h"
#include "framework/display/DirectXResultText.h"
#include "platform/Frame.h"
#include "platform/Surface.h"
#include "platform/Window.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace Vorn {

std::atomic<bool> gStandardPixelOrder{false};

namespace {

// The diagnostics print sizes as the unsigned longs they were written for.
unsigned long Ul(int32_t value)
{
    return static_cast<uint32_t>(value);
}

// a × b / c in 64 bits, so that no size overflows on the way.
int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    return static_cast<int32_t>(int64_t{a} * b / c);
}

std::vector<int32_t> AddTable(int32_t bits)
{
    const int32_t max = static_cast<int32_t>((int64_t{1} << bits) - 1);
    std::vector<int32_t> table(static_cast<size_t>(2 * int64_t{max} + 1));
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = std::min(static_cast<int32_t>(i), max);
    return table;
}

// In unsigned 32 bits: a mask in the top byte would wrap, and no screen
// format has one.
std::array<uint32_t, 256> ConvTable(uint32_t mask)
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i)
        table[i] = (i * mask) / 255u & mask;
    return table;
}

int32_t HighestBit(uint32_t mask)
{
    return 31 - std::countl_zero(mask);
}

} // namespace

DDInterface::DDInterface(VornAppBase* app) : mApp(app), mD3DInterface(std::make_unique<D3DInterface>(this)) {}

DDInterface::~DDInterface()
{
    CleanUp();
}

std::string DDInterface::ResultToString(int result)
{
    static const char* const kNames[] = {"RESULT_OK",           "RESULT_FAIL",           "RESULT_DD_CREATE_FAIL",
                                         "RESULT_SURFACE_FAIL", "RESULT_EXCLUSIVE_FAIL", "RESULT_DISPCHANGE_FAIL",
                                         "RESULT_INVALID_COLORDEPTH"};
    return result >= 0 && result < 7 ? kNames[result] : "RESULT_UNKNOWN";
}

int DDInterface::Init(Platform::Window* window, bool windowed)
{
    const AutoCrit lock(mCritSect);
    mInitialized = false;
    CleanUp();
    mDisplayOpen = true;

    mWindow = window;
    if (RunD3DTest() && mD3DTester->mFresh)
        mApp->On3DTestCompleted();
    mWidth = mApp->mWidth;
    mHeight = mApp->mHeight;
    mAspect.Set(mWidth, mHeight);
    const Platform::Size desktop = window ? window->DesktopSize() : Platform::Size{};
    // Headless drivers tell no desktop size; a 0 would divide by zero in the
    // letterbox.
    const bool desktopKnown = desktop.width > 0 && desktop.height > 0;
    mDesktopWidth = desktopKnown ? desktop.width : mWidth;
    mDesktopHeight = desktopKnown ? desktop.height : mHeight;
    mDesktopAspect.Set(mDesktopWidth, mDesktopHeight);
    mDisplayWidth = mWidth;
    mDisplayHeight = mHeight;
    mDisplayAspect = mAspect;
    // A stretch left from the previous initialisation does not hold for this
    // one.
    mIsStretched = false;
    mPresentationRect = Rect(0, 0, mWidth, mHeight);
    mApp->mLetterbox = mPresentationRect;
    mColorDepth = mApp->mColorDepth;
    mIsWindowed = windowed;
    mHasSavedBackground = false;

    DebugPrint("Application requests %4lu x %4lu [%2d:%2d]\n", Ul(mWidth), Ul(mHeight), mAspect.mNumerator,
               mAspect.mDenominator);

    const int result = windowed ? InitWindowed(window) : InitFullScreen(window);
    if (result != RESULT_OK)
        return result;

    DebugPrint("Draw buffer is       %4lu x %4lu [%2d:%2d]\n", Ul(mWidth), Ul(mHeight), mAspect.mNumerator,
               mAspect.mDenominator);
    ReadRefreshRate(window);

    if (CheckHResult(CreatePlainSurface(kCursorAreaWidth, kCursorAreaHeight,
                                        DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, mOldCursorArea),
                     "CreateSurface OldCursorArea"))
        return RESULT_SURFACE_FAIL;
    if (CheckHResult(CreatePlainSurface(kCursorAreaWidth, kCursorAreaHeight,
                                        DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, mNewCursorArea),
                     "CreateSurface NewCursorArea"))
        return RESULT_SURFACE_FAIL;
    mOldCursorImage = MakeSurfaceImage(mOldCursorArea);
    mNewCursorImage = MakeSurfaceImage(mNewCursorArea);

    TakePixelFormat();
    BuildTables();
    SetDrawInVideoMemory(mDrawToVideoMemory);

    if (mIs3D && !mD3DInterface->AttachToDisplay()) {
        mErrorString = "3D init error: " + mD3DInterface->mLastError;
        mD3DInterface->mLastError = mErrorString;
        return RESULT_UNKNOWN;
    }

    ++mInitCount;
    mInitialized = true;
    return RESULT_OK;
}

int DDInterface::InitFullScreen(Platform::Window* window)
{
    DebugPrint("Desktop is           %4lu x %4lu [%2d:%2d]\n", Ul(mDesktopWidth), Ul(mDesktopHeight),
               mDesktopAspect.mNumerator, mDesktopAspect.mDenominator);
    // Only the 3D path shows the buffer on a mode of the desktop's size;
    // without it the mode is the buffer's size. A buffer without a size is
    // not laid out: it divides.
    if (mIs3D && mWidth > 0 && mHeight > 0 && mDesktopAspect.IsWiderThan(mAspect)) {
        mIsStretched = true;
        mDisplayWidth = mDesktopWidth;
        mDisplayHeight = mDesktopHeight;
        mDisplayAspect = mDesktopAspect;
        if (!mApp->mWidenToDesktopAspect) {
            const int32_t width = MulDiv(mWidth, mDesktopHeight, mHeight);
            mPresentationRect = Rect((mDesktopWidth - width) / 2, 0, width, mDesktopHeight);
        } else {
            mAspect = mDesktopAspect;
            mWidth = MulDiv(mDesktopAspect.mNumerator, mHeight, mDesktopAspect.mDenominator);
            mPresentationRect = Rect(0, 0, mDesktopWidth, mDesktopHeight);
        }
    }
    DebugPrint("Display is           %4lu x %4lu [%2d:%2d]\n", Ul(mDisplayWidth), Ul(mDisplayHeight),
               mDisplayAspect.mNumerator, mDisplayAspect.mDenominator);

    if (!window || !window->IsCreated()) {
        CheckHResult(kDDErrNoHWnd, "SetCooperativeLevel FullScreen");
        return RESULT_EXCLUSIVE_FAIL;
    }
    if (CheckHResult(SetDisplayMode(mDisplayWidth, mDisplayHeight, mColorDepth), "SetDisplayMode FullScreen"))
        return RESULT_DISPCHANGE_FAIL;
    const uint32_t caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | (mIs3D ? DDSCAPS_3DDEVICE : 0);
    if (CheckHResult(CreateScreen(caps, 1), "CreateSurface FullScreen Primary"))
        return RESULT_SURFACE_FAIL;
    // The back buffer lives as long as the screen it belongs to.
    mBackSurface = std::shared_ptr<Platform::Surface>(mPrimarySurface, mPrimarySurface->BackBuffer());
    if (mIsStretched) {
        // The bars around the presentation rectangle are never drawn on.
        ClearSurface(mPrimarySurface.get());
        ClearSurface(mBackSurface.get());
    }
    if (CheckHResult(CreatePlainSurface(mWidth, mHeight, DrawSurfaceCaps(), mDrawSurface),
                     "CreateSurface FullScreen DrawSurface"))
        return RESULT_SURFACE_FAIL;
    return RESULT_OK;
}

int DDInterface::InitWindowed(Platform::Window* window)
{
    const Ratio& hack = mApp->mAspect;
    DebugPrint("Hack aspect is                   [%2d:%2d]\n", hack.mNumerator, hack.mDenominator);
    if (mApp->mAspectCorrection && mHeight > 0 && hack.IsWiderThan(mAspect)) {
        mIsStretched = true;
        mDisplayWidth = MulDiv(hack.mNumerator, mHeight, hack.mDenominator);
        mDisplayHeight = mHeight;
        mDisplayAspect = hack;
        if (window && window->IsCreated())
            FitWindowToDisplay(*window);
        if (!mApp->mWidenToDesktopAspect) {
            mPresentationRect = Rect((mDisplayWidth - mWidth) / 2, 0, mWidth, mHeight);
        } else {
            mWidth = mDisplayWidth;
            mAspect = mDisplayAspect;
            mPresentationRect = Rect(0, 0, mDisplayWidth, mDisplayHeight);
        }
    }
    DebugPrint("Window is            %4lu x %4lu [%2d:%2d]\n", Ul(mDisplayWidth), Ul(mDisplayHeight),
               mDisplayAspect.mNumerator, mDisplayAspect.mDenominator);

    mScreenFormat = mDesktopFormat;
    const int32_t result = CreateScreen(DDSCAPS_PRIMARYSURFACE | (mIs3D ? DDSCAPS_3DDEVICE : 0), 0);
    if (result == Platform::kDDErrInvalidPixelFormat)
        return RESULT_INVALID_COLORDEPTH;
    if (CheckHResult(result, "CreateSurface Windowed Primary"))
        return RESULT_SURFACE_FAIL;
    if (CheckHResult(CreatePlainSurface(mWidth, mHeight, DrawSurfaceCaps(), mDrawSurface),
                     "CreateSurface Windowed DrawSurface"))
        return RESULT_SURFACE_FAIL;
    return RESULT_OK;
}

void DDInterface::FitWindowToDisplay(Platform::Window& window)
{
    // Centred on the client area as it is now, so that initialising again
    // leaves a window of the right size where it is.
    const Platform::Point origin = window.Position();
    const Platform::Size client = window.ClientSize();
    const int left = origin.x + (client.width - mDisplayWidth) / 2;
    const int top = origin.y + (client.height - mDisplayHeight) / 2;
    window.SetClientSize({mDisplayWidth, mDisplayHeight});
    window.SetPosition({std::max(left, 0), std::max(top, 0)});
}

uint32_t DDInterface::DrawSurfaceCaps() const
{
    return mIs3D ? DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY | DDSCAPS_3DDEVICE
                 : DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
}

int32_t DDInterface::SetDisplayMode(int32_t width, int32_t height, int32_t bits)
{
    if (width < 1 || height < 1 || width > Platform::kMaxFrameSide || height > Platform::kMaxFrameSide)
        return kDDErrInvalidMode;
    if (bits == 16)
        mScreenFormat = Platform::kFormatR5G6B5;
    else if (bits == 32)
        mScreenFormat = Platform::kFormatX8R8G8B8;
    else
        return kDDErrInvalidMode;
    return Platform::kDDOk;
}

int32_t DDInterface::CreateScreen(uint32_t caps, int32_t backBufferCount)
{
    DDSurfaceDesc desc;
    desc.mFlags = DDSD_CAPS | (backBufferCount > 0 ? DDSD_BACKBUFFERCOUNT : 0);
    desc.mBackBufferCount = backBufferCount;
    desc.mCaps = caps;
    return CreateSurface(desc, mPrimarySurface);
}

int32_t DDInterface::CreatePlainSurface(int32_t width, int32_t height, uint32_t caps,
                                        std::shared_ptr<Platform::Surface>& out)
{
    DDSurfaceDesc desc;
    desc.mFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.mWidth = width;
    desc.mHeight = height;
    desc.mCaps = caps;
    return CreateSurface(desc, out);
}

void DDInterface::ReadRefreshRate(Platform::Window* window)
{
    const int rate = window ? window->RefreshRate() : 0;
    mRefreshRate = rate;
    if (rate < 60) {
        mRefreshRate = 60;
        mApp->mVSyncBroken = true;
    } else if (rate > 100) {
        mRefreshRate = 100;
        mApp->mVSyncBroken = true;
    }
    mMillisecondsPerFrame = 1000 / mRefreshRate;
}

void DDInterface::TakePixelFormat()
{
    const Platform::PixelFormat& format = mPrimarySurface->Format();
    mRGBBits = format.bitsPerPixel;
    mRedMask = static_cast<int32_t>(format.redMask);
    mGreenMask = static_cast<int32_t>(format.greenMask);
    mBlueMask = static_cast<int32_t>(format.blueMask);
    mRedShift = Platform::PixelFormat::Shift(format.redMask);
    mGreenShift = Platform::PixelFormat::Shift(format.greenMask);
    mBlueShift = Platform::PixelFormat::Shift(format.blueMask);
    mRedBits = HighestBit(format.redMask) - mRedShift + 1;
    mGreenBits = HighestBit(format.greenMask) - mGreenShift + 1;
    mBlueBits = HighestBit(format.blueMask) - mBlueShift + 1;
}

void DDInterface::BuildTables()
{
    mRedAddTable = AddTable(mRedBits);
    mGreenAddTable = AddTable(mGreenBits);
    mBlueAddTable = AddTable(mBlueBits);
    mRedConvTable = ConvTable(static_cast<uint32_t>(mRedMask));
    mGreenConvTable = ConvTable(static_cast<uint32_t>(mGreenMask));
    mBlueConvTable = ConvTable(static_cast<uint32_t>(mBlueMask));
}

void DDInterface::CleanUp()
{
    const AutoCrit lock(mCritSect);
    mInitialized = false;
    mD3DInterface->Cleanup();
    mOldCursorImage.reset();
    mNewCursorImage.reset();
    mScreenImage.reset();
    mOldCursorArea.reset();
    mNewCursorArea.reset();
    mDrawSurface.reset();
    mBackSurface.reset();
    mPrimarySurface.reset();
    mHasSavedBackground = false;
    mDisplayOpen = false;
}

DDImage* DDInterface::GetScreenImage()
{
    return mScreenImage.get();
}

std::unique_ptr<DDImage> DDInterface::MakeSurfaceImage(std::shared_ptr<Platform::Surface> surface)
{
    auto image = std::make_unique<DDImage>(this);
    image->SetSurface(std::move(surface));
    image->ForceAlphaFlags(false, false);
    return image;
}

int32_t DDInterface::CreateSurface(const DDSurfaceDesc& desc, std::shared_ptr<Platform::Surface>& out)
{
    const AutoCrit lock(mCritSect);
    out.reset();
    if (!mDisplayOpen)
        return kDDErrNotInitialized;
    const bool isScreen = (desc.mFlags & DDSD_CAPS) != 0 && (desc.mCaps & DDSCAPS_PRIMARYSURFACE) != 0;
    if (isScreen && mPrimarySurface)
        return kDDErrPrimarySurfaceAlreadyExists;
    if (!isScreen && !mPrimarySurface)
        return kDDErrNotInitialized;

    std::unique_ptr<Platform::Surface> made;
    int32_t result;
    if (isScreen) {
        const Platform::SurfaceDesc screen{mDisplayWidth, mDisplayHeight, mScreenFormat, 0};
        const bool flips = (desc.mFlags & DDSD_BACKBUFFERCOUNT) != 0 && desc.mBackBufferCount > 0;
        result = flips ? Platform::Surface::CreateFlipping(screen, made) : Platform::Surface::Create(screen, made);
    } else {
        if ((desc.mFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
            return Platform::kDDErrInvalidParams;
        const bool ownFormat = (desc.mFlags & DDSD_PIXELFORMAT) != 0;
        const Platform::SurfaceDesc plain{desc.mWidth, desc.mHeight,
                                          ownFormat ? desc.mPixelFormat : mPrimarySurface->Format(), 0};
        result = Platform::Surface::Create(plain, made);
    }
    if (result != Platform::kDDOk)
        return result;
    // Once per initialisation, from the screen: a surface of another order
    // made later (a test's, a texture's) must not turn the screen's formulas.
    if (isScreen)
        gStandardPixelOrder = made->Format().IsStandardOrder();
    out = std::move(made);
    return Platform::kDDOk;
}

void DDInterface::ClearSurface(Platform::Surface* surface)
{
    if (!surface)
        return;
    Platform::LockedPixels pixels;
    if (surface->Lock(pixels) != Platform::kDDOk)
        return;
    const size_t rowBytes =
        static_cast<size_t>(surface->Width()) * static_cast<size_t>(surface->Format().BytesPerPixel());
    for (int32_t y = 0; y < surface->Height(); ++y)
        std::memset(pixels.bits + static_cast<ptrdiff_t>(y) * pixels.pitch, 0, rowBytes);
    surface->Unlock();
}

void DDInterface::SetDrawInVideoMemory(bool drawToVideoMemory)
{
    const AutoCrit lock(mCritSect);
    mDrawToVideoMemory = drawToVideoMemory;
    // Before there is a screen the choice waits for the initialisation.
    if (!mPrimarySurface)
        return;
    if (!mBackSurface &&
        CreatePlainSurface(mWidth, mHeight, DDSCAPS_VIDEOMEMORY, mBackSurface) != Platform::kDDOk)
        mDrawToVideoMemory = false;
    mScreenImage.reset();
    mScreenImage = MakeSurfaceImage(mDrawToVideoMemory ? mBackSurface : mDrawSurface);
    mScreenImage->mVideoMemory = mDrawToVideoMemory;
    mScreenImage->mNoLock = mDrawToVideoMemory;
}

void DDInterface::RegisterImage(DDImage* image)
{
    const AutoCrit lock(mCritSect);
    mDDImageSet.insert(image);
}

void DDInterface::UnregisterImage(DDImage* image)
{
    const AutoCrit lock(mCritSect);
    mDDImageSet.erase(image);
}

void DDInterface::DropTextureData(MemoryImage* image)
{
    mD3DInterface->FreeImageTextures(image);
}

bool DDInterface::ReadBackTextureBits(MemoryImage* image)
{
    return mD3DInterface->ReadBackBits(image);
}

bool DDInterface::Reported3DTrouble() const
{
    return mD3DInterface->mBeginSceneFailed;
}

bool DDInterface::RunD3DTest()
{
    if (mD3DTester || !(mApp->mTest3D || mApp->mAutoEnable3D))
        return false;
    mD3DTester = std::make_unique<D3DTester>(mApp);
    mD3DTester->SetVidMemory(mApp->mMinVidMemory3D, mApp->mRecommendedVidMemory3D);
    const Platform::Size desktop = mWindow ? mWindow->DesktopSize() : Platform::Size{};
    mD3DTester->TestD3D(desktop.width, desktop.height, mDesktopFormat.bitsPerPixel);
    const bool failed = !mD3DTester->mFailureReason.empty();
    const bool doubted = !mD3DTester->mWarning.empty();
    if (mApp->mAutoEnable3D && !failed && !doubted)
        mIs3D = true;
    if (failed || (mD3DTester->mFresh && doubted))
        mIs3D = false;
    return true;
}

bool DDInterface::CheckHResult(int32_t result, const char* operation)
{
    if (result >= 0)
        return false;
    mErrorString = FormatString("%s: %s", operation, DirectXResultText(result).c_str());
    return true;
}

} // namespace Vorn
