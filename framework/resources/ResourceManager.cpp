#include "framework/resources/ResourceManager.h"

#include "framework/app/StringUtils.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Image.h"
#include "framework/resources/ResourceManagerException.h"
#include "framework/resources/XMLParser.h"
#include "framework/sound/SoundManager.h"

namespace Vorn {

void ResourceManager::SoundRes::DeleteResource()
{
    if (mSoundId >= 0 && mSoundManager)
        mSoundManager->ReleaseSound(static_cast<unsigned>(mSoundId));
    mSoundId = -1;
    mSoundManager = nullptr;
}

ResourceManager::FontRes::FontRes() : BaseRes(kFont) {}

ResourceManager::FontRes::~FontRes() = default;

void ResourceManager::FontRes::DeleteResource()
{
    mFont.reset();
    mImage.reset();
}

ResourceManager::ResourceManager(VornAppBase* app) : mApp(app) {}

ResourceManager::~ResourceManager()
{
    for (ResMap* map : {&mImageMap, &mSoundMap, &mFontMap}) {
        for (auto& [id, record] : *map)
            record->DeleteResource();
        map->clear();
    }
}

bool ResourceManager::IsLoaded(const BaseRes& res)
{
    switch (res.mType) {
    case kImage:
        return static_cast<const ImageRes&>(res).mImage.GetImage() != nullptr;
    case kSound:
        return static_cast<const SoundRes&>(res).mSoundId != -1;
    case kFont:
        return static_cast<const FontRes&>(res).mFont != nullptr;
    default:
        return false;
    }
}

void ResourceManager::FreeRecordMap(ResMap& map, const std::string& group)
{
    for (auto& [id, res] : map) {
        if (group.empty() || res->mResGroup == group)
            res->DeleteResource();
    }
}

void ResourceManager::FreeGroup(const std::string& group)
{
    FreeRecordMap(mImageMap, group);
    FreeRecordMap(mSoundMap, group);
    FreeRecordMap(mFontMap, group);
    mLoadedGroups.erase(group);
}

Font* ResourceManager::GetFontRef(const std::string& id) const
{
    const auto it = mFontMap.find(id);
    return it == mFontMap.end() ? nullptr : static_cast<const FontRes&>(*it->second).mFont.get();
}

ResourceManager::BaseRes* ResourceManager::FindForLookup(ResMap& map, const std::string& id, const char* failure)
{
    const auto it = map.find(id);
    if (it != map.end()) {
        BaseRes* res = it->second.get();
        if (IsLoaded(*res) || (res->mFromProgram && mAllowMissingProgramResources))
            return res;
    }
    Fail(FormatString(failure, id.c_str()));
    throw ResourceManagerException(GetErrorText());
}

ImageRef ResourceManager::GetImageOrThrow(const std::string& id)
{
    return static_cast<ImageRes*>(FindForLookup(mImageMap, id, "Image resource not found: %s"))->mImage;
}

int ResourceManager::GetSoundOrThrow(const std::string& id)
{
    return static_cast<SoundRes*>(FindForLookup(mSoundMap, id, "Sound resource not found: %s"))->mSoundId;
}

Font* ResourceManager::GetFontOrThrow(const std::string& id)
{
    return static_cast<FontRes*>(FindForLookup(mFontMap, id, "Font resource not found: %s"))->mFont.get();
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
