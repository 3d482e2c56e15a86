#include "framework/widgets/Widget.h"

namespace Vorn {

void Widget::Resize(int x, int y, int width, int height)
{
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
}

} // namespace Vorn
