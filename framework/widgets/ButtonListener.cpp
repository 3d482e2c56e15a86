#include "framework/widgets/ButtonListener.h"

namespace Vorn {

void ButtonListener::ButtonPressClicks(int id, int)
{
    ButtonPress(id);
}

void ButtonListener::ButtonPress(int) {}
void ButtonListener::ButtonDepress(int) {}
void ButtonListener::ButtonDownTick(int) {}
void ButtonListener::ButtonMouseEnter(int) {}
void ButtonListener::ButtonMouseLeave(int) {}
void ButtonListener::ButtonMouseMove(int, int, int) {}

} // namespace Vorn
