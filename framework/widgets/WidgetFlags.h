#pragma once
// The flags the update, draw and hit-test walks carry down the widget tree,
// and the two ways they change on the way: a container's modifier, and the
// modal layer that splits the tree into widgets above and below the modal
// widget.

namespace Vorn {

enum WidgetFlagBit : int {
    kWidgetFlagUpdate = 1,
    // The widget marks itself dirty on every update walk.
    kWidgetFlagMarkDirty = 2,
    kWidgetFlagDraw = 4,
    // Drawing is clipped to the widget (when its own clip switch is on too).
    kWidgetFlagClip = 8,
    kWidgetFlagAllowMouse = 16,
    kWidgetFlagAllowFocus = 32,
};

// Every flag but mark dirty: the manager's own.
inline constexpr int kDefaultWidgetFlags =
    kWidgetFlagUpdate | kWidgetFlagDraw | kWidgetFlagClip | kWidgetFlagAllowMouse | kWidgetFlagAllowFocus;

struct FlagsModifier {
    int mAddFlags = 0;
    int mRemoveFlags = 0;

    constexpr int Apply(int flags) const { return (flags | mAddFlags) & ~mRemoveFlags; }
    constexpr bool operator==(const FlagsModifier&) const = default;
};

// What a walk carries: the flags of widgets at or above the modal widget,
// those of widgets below it, and which of the two is in force. A walk that
// reaches the modal widget switches to the first for the rest of the walk.
struct ModalFlagSet {
    int mOverFlags = 0;
    int mUnderFlags = 0;
    bool mIsOver = true;

    constexpr int GetFlags() const { return mIsOver ? mOverFlags : mUnderFlags; }
};

} // namespace Vorn
