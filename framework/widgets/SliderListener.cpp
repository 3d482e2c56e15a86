#include "framework/widgets/SliderListener.h"

namespace Vorn {

void SliderListener::SliderVal(int, double) {}

} // namespace Vorn
