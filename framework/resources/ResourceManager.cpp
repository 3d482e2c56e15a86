#include "framework/resources/ResourceManager.h"

#include "framework/resources/XMLParser.h"

namespace Vorn {

ResourceManager::ResourceManager(VornAppBase* app) : mApp(app) {}

ResourceManager::~ResourceManager()
{
    for (ResMap* map : {&mImageMap, &mSoundMap, &mFontMap}) {
        for (auto& [id, record] : *map)
            record->DeleteResource();
        map->clear();
    }
}

bool ResourceManager::Fail(const std::string& text)
{
    if (mHasFailed)
        return false;
    mHasFailed = true;
    mError = text;
    if (mXMLParser) {
        const int line = mXMLParser->GetLineNumber();
        if (line >= 1)
            mError += " on Line " + std::to_string(line);
        const std::string file = mXMLParser->GetFileName();
        if (!file.empty())
            mError += " in File '" + file + "'";
    }
    return false;
}

} // namespace Vorn
