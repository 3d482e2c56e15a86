#pragma once
// A node of the widget tree that may hold child widgets. The tree does not
// own its widgets: whoever creates one removes and deletes it.

#include <list>

namespace Vorn {

class Widget;
class WidgetManager;

class WidgetContainer {
public:
    WidgetContainer() = default;
    // Leaves the children alone: they belong to whoever made them.
    virtual ~WidgetContainer() = default;
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;

    // Adding a child twice, or removing a widget that is not a child, does
    // nothing. Removing never deletes.
    virtual void AddWidget(Widget* widget);
    virtual void RemoveWidget(Widget* widget);
    virtual bool HasWidget(const Widget* widget) const;

    virtual void MarkAllDirty();
    virtual void MarkDirty();
    virtual void SystemColorsChangedAll();
    virtual void SystemColorsChanged();

    // Back to front: the last child is drawn on top.
    std::list<Widget*> mWidgets;
    WidgetManager* mWidgetManager = nullptr;
    WidgetContainer* mParent = nullptr;
    bool mDirty = false;
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
};

} // namespace Vorn
