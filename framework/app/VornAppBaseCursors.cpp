// The mouse cursor: the two hand cursors made at start-up and the choice
// between the system's cursors, the hands and the software cursor images.

#include "framework/app/VornAppBase.h"

#include "framework/display/DDInterface.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace Vorn {

namespace {

using Platform::SystemCursorShape;

constexpr int kHandSide = 32;
constexpr uint32_t kOutline = 0xFF000000;
constexpr uint32_t kFill = 0xFFFFFFFF;

// '#' outline, 'o' fill, anything else transparent; rows from the top.
constexpr std::array<std::string_view, 24> kPointingHand = {
    "", "", "",
    "..........##",
    ".........#oo#",
    ".........#oo#",
    ".........#oo#",
    ".........#oo#",
    ".........#oo###",
    ".........#oo#oo###",
    ".........#oo#oo#oo##",
    "....##...#oo#oo#oo#o#",
    "...#oo#..#oooooooooo#",
    "...#ooo#.#oooooooooo#",
    "....#ooo##oooooooooo#",
    ".....#ooo#oooooooooo#",
    ".....#oooooooooooooo#",
    "......#ooooooooooooo#",
    "......#oooooooooooo#",
    ".......#ooooooooooo#",
    ".......#oooooooooo#",
    "........#ooooooooo#",
    "........#ooooooooo#",
    "........###########",
};

constexpr std::array<std::string_view, 19> kOpenHand = {
    "", "",
    "..........##.##.##.##",
    ".........#oo#oo#oo#oo#",
    ".........#oo#oo#oo#oo#",
    ".........#oo#oo#oo#oo#",
    ".........#oo#oo#oo#oo#",
    ".........#oo#oo#oo#oo#",
    ".....##..#oo#oo#oo#oo#",
    "....#oo#.#ooooooooooo#",
    "....#ooo##ooooooooooo#",
    ".....#ooo#ooooooooooo#",
    "......#oooooooooooooo#",
    "......#oooooooooooooo#",
    ".......#ooooooooooooo#",
    ".......#oooooooooooo#",
    "........#ooooooooooo#",
    "........#oooooooooo#",
    "........############",
};

template <size_t Rows>
std::unique_ptr<Platform::Cursor> MakeHand(Platform::Window& window, const std::array<std::string_view, Rows>& rows,
                                           Platform::Point hotSpot)
{
    std::vector<uint32_t> argb(kHandSide * kHandSide, 0);
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            const char c = rows[y][x];
            if (c == '#' || c == 'o')
                argb[y * kHandSide + x] = c == '#' ? kOutline : kFill;
        }
    }
    return window.CreateCursor(argb.data(), kHandSide, kHandSide, hotSpot);
}

// The system's cursor of a cursor number without an image or a hand of its
// own; none for the hidden ones.
std::optional<SystemCursorShape> SystemShape(int cursorNumber)
{
    switch (cursorNumber) {
    case VornAppBase::kCursorText: return SystemCursorShape::IBeam;
    case VornAppBase::kCursorCircleSlash: return SystemCursorShape::No;
    case VornAppBase::kCursorSizeAll: return SystemCursorShape::SizeAll;
    case VornAppBase::kCursorSizeBackslash: return SystemCursorShape::SizeNESW;
    case VornAppBase::kCursorSizeVertical: return SystemCursorShape::SizeNS;
    case VornAppBase::kCursorSizeSlash: return SystemCursorShape::SizeNWSE;
    case VornAppBase::kCursorSizeHorizontal: return SystemCursorShape::SizeWE;
    case VornAppBase::kCursorWait: return SystemCursorShape::Wait;
    case VornAppBase::kCursorNone:
    case VornAppBase::kCursorCustom: return std::nullopt;
    default: return SystemCursorShape::Arrow;
    }
}

} // namespace

void VornAppBase::MakeHandCursors()
{
    Platform::Window* window = mMainWindowObject ? mMainWindowObject.get() : mInvisibleWindowObject.get();
    if (!window)
        return;
    mHandCursor = MakeHand(*window, kPointingHand, {11, 4});
    mDraggingCursor = MakeHand(*window, kOpenHand, {15, 10});
}

void VornAppBase::ApplyCursor()
{
    if (!mDDInterface || !mMainWindow)
        return;
    Platform::Window& window = *mMainWindow;
    if (mCrashed || !mMouseIn) {
        window.SetCursor(window.SystemCursor(SystemCursorShape::Arrow));
        window.ShowCursor(true);
        mDDInterface->SetCursorImage(nullptr);
        return;
    }

    // Numbers outside the table show the arrow, as the system's table does.
    const bool known = mCursorNum >= 0 && mCursorNum < kNumCursors;
    Image* image = known ? mCursorImages[mCursorNum] : nullptr;
    if (image && (mPlaying || mCustomCursorsEnabled || mCursorNum == kCursorCustom)) {
        if (mDDInterface->SetCursorImage(image))
            mForceRedraw = true;
        if (mPlaying) {
            // The real pointer is not live during a replay, and says so.
            window.SetCursor(window.SystemCursor(window.CursorInside() ? SystemCursorShape::No
                                                                       : SystemCursorShape::Arrow));
            window.ShowCursor(true);
        } else {
            window.ShowCursor(false);
        }
        mSystemCursor = false;
        return;
    }

    if (mDDInterface->SetCursorImage(nullptr))
        mForceRedraw = true;
    mSystemCursor = true;
    const Platform::Cursor* hand = mCursorNum == kCursorHand       ? mHandCursor.get()
                                   : mCursorNum == kCursorDragging ? mDraggingCursor.get()
                                                                   : nullptr;
    const bool isHand = mCursorNum == kCursorHand || mCursorNum == kCursorDragging;
    const std::optional<SystemCursorShape> shape =
        isHand ? std::optional(SystemCursorShape::Hand) : SystemShape(known ? mCursorNum : kCursorPointer);
    if (!shape) {
        window.ShowCursor(false);
        return;
    }
    // A hand that could not be made shows the system's hand.
    window.SetCursor(hand ? *hand : window.SystemCursor(*shape));
    window.ShowCursor(true);
}

} // namespace Vorn
