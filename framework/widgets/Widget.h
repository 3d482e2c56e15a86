#pragma once
// Every visible element, from a whole screen to a check box. Deleted through
// this base (the application's deferred deletion does so).

#include "framework/widgets/WidgetContainer.h"

namespace Vorn {

class Widget : public WidgetContainer {
public:
    Widget() = default;

    // Position relative to the parent.
    virtual void Resize(int x, int y, int width, int height);

    bool mVisible = true;
};

} // namespace Vorn
