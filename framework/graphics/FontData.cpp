#include "framework/graphics/FontData.h"

#include "framework/resources/PakInterface.h"

namespace Vorn {

bool FontData::Load(VornAppBase* app, const std::string& path)
{
    mApp = app;
    mSourceFile = path;
    mInitialized = ReadDescriptorFile(path);
    return mInitialized;
}

bool FontData::LoadFromWidthList(Image*, const std::string& path)
{
    mSourceFile = path;
    PakFileHandle* file = PakFOpen(path.c_str(), "r");
    mInitialized = file != nullptr;
    if (file)
        PakFClose(file);
    return mInitialized;
}

bool FontData::ExecuteCommand(ListDataElement&)
{
    return true;
}

} // namespace Vorn
