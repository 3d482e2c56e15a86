#include "framework/widgets/WidgetManager.h"

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
