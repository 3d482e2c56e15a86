#include "framework/widgets/DialogListener.h"

namespace Vorn {

void DialogListener::DialogButtonPress(int, int) {}
void DialogListener::DialogButtonDepress(int, int) {}

} // namespace Vorn
