#include "framework/widgets/CheckboxListener.h"

namespace Vorn {

void CheckboxListener::CheckboxChecked(int, bool) {}

} // namespace Vorn
