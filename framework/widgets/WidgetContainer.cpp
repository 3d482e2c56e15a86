#include "framework/widgets/WidgetContainer.h"

#include "framework/widgets/Widget.h"

#include <algorithm>

namespace Vorn {

void WidgetContainer::AddWidget(Widget* widget)
{
    if (HasWidget(widget))
        return;
    mWidgets.push_back(widget);
    widget->mParent = this;
    widget->mWidgetManager = mWidgetManager;
    MarkDirty();
}

void WidgetContainer::RemoveWidget(Widget* widget)
{
    auto it = std::find(mWidgets.begin(), mWidgets.end(), widget);
    if (it == mWidgets.end())
        return;
    mWidgets.erase(it);
    widget->mParent = nullptr;
    widget->mWidgetManager = nullptr;
}

bool WidgetContainer::HasWidget(const Widget* widget) const
{
    return std::find(mWidgets.begin(), mWidgets.end(), widget) != mWidgets.end();
}

void WidgetContainer::MarkAllDirty()
{
    MarkDirty();
    for (Widget* child : mWidgets) {
        child->mDirty = true;
        child->MarkAllDirty();
    }
}

void WidgetContainer::MarkDirty()
{
    mDirty = true;
}

void WidgetContainer::SystemColorsChangedAll()
{
    SystemColorsChanged();
    for (Widget* child : mWidgets)
        child->SystemColorsChangedAll();
}

void WidgetContainer::SystemColorsChanged() {}

} // namespace Vorn
