#pragma once
// Image, sound and font resources defined by group in the resource manifest,
// loaded at once or one per step, and handed out by id.

namespace Vorn {

class VornAppBase;

class ResourceManager {
public:
    explicit ResourceManager(VornAppBase* app);
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    VornAppBase* mApp;
};

} // namespace Vorn
