#include "framework/widgets/WidgetManager.h"

#include <algorithm>
#include <cstdint>

namespace Vorn {

WidgetManager::WidgetManager(VornAppBase* app) : mApp(app)
{
    mWidgetManager = this;
}

void WidgetManager::Resize(const Rect& screenRect, const Rect& windowRect)
{
    mScreenRect = screenRect;
    mWindowRect = windowRect;
}

// Integer arithmetic, product first, quotient truncated. Before the first
// Resize (or for an empty window) there is no mapping to divide by: the
// position stays as it is.
void WidgetManager::MapMouseToScreen(int& x, int& y) const
{
    if (mWindowRect.mWidth <= 0 || mWindowRect.mHeight <= 0)
        return;
    const int64_t mappedX = (int64_t{x} - mWindowRect.mX) * mScreenRect.mWidth / mWindowRect.mWidth + mScreenRect.mX;
    const int64_t mappedY = (int64_t{y} - mWindowRect.mY) * mScreenRect.mHeight / mWindowRect.mHeight + mScreenRect.mY;
    x = static_cast<int>(std::clamp<int64_t>(mappedX, INT32_MIN, INT32_MAX));
    y = static_cast<int>(std::clamp<int64_t>(mappedY, INT32_MIN, INT32_MAX));
}

bool WidgetManager::UpdateTree()
{
    return false;
}

void WidgetManager::UpdateTreeFraction(float) {}

bool WidgetManager::DrawToScreen()
{
    return false;
}

void WidgetManager::MouseMove(int, int) {}
void WidgetManager::MouseDown(int, int, int) {}
void WidgetManager::MouseUp(int, int, int) {}
void WidgetManager::MouseExit() {}
void WidgetManager::MouseWheel(int) {}
void WidgetManager::KeyDown(int) {}
void WidgetManager::KeyUp(int) {}
void WidgetManager::KeyChar(char) {}
void WidgetManager::GotFocus() {}
void WidgetManager::LostFocus() {}
void WidgetManager::DeliverMouseUps(Widget*, int) {}
void WidgetManager::ReleaseHeldButtons() {}
void WidgetManager::PushModalLayer(Widget*) {}
void WidgetManager::PopModalLayer(Widget*) {}

} // namespace Vorn
