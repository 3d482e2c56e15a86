#include "framework/resources/ResourceManager.h"

namespace Vorn {

ResourceManager::ResourceManager(VornAppBase* app) : mApp(app) {}

} // namespace Vorn
