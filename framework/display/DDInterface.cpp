#include "framework/display/DDInterface.h"

namespace Vorn {

DDInterface::DDInterface(VornAppBase* app) : mApp(app) {}

} // namespace Vorn
