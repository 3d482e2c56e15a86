// Reading the resource manifest into records.

#include "framework/resources/ResourceManager.h"

#include "framework/app/PathUtils.h"
#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/resources/XMLParser.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

namespace Vorn {

namespace {

// Rows and cols above this are refused with those below 1: a cel count that
// large only asks for unbounded frame tables.
constexpr int kMaxCelRowsOrCols = 16384;

const std::string* FindAttribute(const XMLItem& element, const char* name)
{
    const auto it = element.mAttributes.find(name);
    return it == element.mAttributes.end() ? nullptr : &it->second;
}

bool HasAttribute(const XMLItem& element, const char* name)
{
    return FindAttribute(element, name) != nullptr;
}

// Blanks, a sign and digits up to the first other character; 0 without
// digits. Saturates where a plain conversion would overflow.
int ReadInt(const char* text)
{
    const long value = std::strtol(text, nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

void ReadIntAttribute(const XMLItem& element, const char* name, int& value)
{
    if (const std::string* text = FindAttribute(element, name))
        value = ReadInt(text->c_str());
}

// "3, 4,5" is 3, 4, 5; the empty text is one 0.
std::vector<int> ReadIntList(const std::string& text)
{
    std::vector<int> list;
    size_t pos = 0;
    for (;;) {
        list.push_back(ReadInt(text.c_str() + pos));
        pos = text.find(',', pos);
        if (pos == std::string::npos)
            return list;
        ++pos;
    }
}

} // namespace

bool ResourceManager::ReadManifestFile(const std::string& fileName)
{
    mXMLParser = std::make_unique<XMLParser>();
    if (!mXMLParser->OpenFile(fileName))
        Fail("Resource file not found: " + fileName);

    XMLItem item;
    while (!mXMLParser->HasFailed()) {
        if (!mXMLParser->ReadNextItem(item)) {
            if (mXMLParser->HasFailed())
                Fail(mXMLParser->GetErrorText());
            break;
        }
        if (item.mType == XMLItem::kStartTag) {
            if (item.mValue == "ResourceManifest")
                return ParseManifestBody();
            break;
        }
    }
    Fail("Expecting ResourceManifest tag");
    ParseManifestBody();
    return false;
}

bool ResourceManager::ParseManifestBody()
{
    XMLItem item;
    while (!mXMLParser->HasFailed() && mXMLParser->ReadNextItem(item)) {
        if (item.mType == XMLItem::kStartTag) {
            if (item.mValue != "Resources") {
                Fail("Invalid Section '" + item.mValue + "'");
                break;
            }
            const std::string* id = FindAttribute(item, "id");
            mCurResGroup = id ? *id : std::string();
            mParseResGroupList = &mResGroupMap[mCurResGroup];
            if (mCurResGroup.empty()) {
                Fail("No id specified.");
                break;
            }
            if (!ParseGroupElement())
                break;
        } else if (item.mType == XMLItem::kText) {
            Fail("Element Not Expected '" + item.mValue + "'");
            break;
        }
    }
    if (mXMLParser->HasFailed())
        Fail(mXMLParser->GetErrorText());
    mXMLParser.reset();
    return !mHasFailed;
}

bool ResourceManager::ParseGroupElement()
{
    XMLItem item;
    for (;;) {
        if (!mXMLParser->ReadNextItem(item))
            return false;
        if (item.mType == XMLItem::kStartTag) {
            bool parsed;
            if (item.mValue == "Image")
                parsed = ParseImageElement(item);
            else if (item.mValue == "Sound")
                parsed = ParseSoundElement(item);
            else if (item.mValue == "Font")
                parsed = ParseFontElement(item);
            else if (item.mValue == "SetDefaults")
                parsed = ParseDefaultsElement(item);
            else
                return Fail("Invalid Section '" + item.mValue + "'");
            if (!parsed)
                return false;
            if (!mXMLParser->ReadNextItem(item))
                return false;
            if (item.mType != XMLItem::kEndTag)
                return Fail("Unexpected element found.");
        } else if (item.mType == XMLItem::kText) {
            return Fail("Element Not Expected '" + item.mValue + "'");
        } else if (item.mType == XMLItem::kEndTag) {
            return true;
        }
    }
}

bool ResourceManager::ParseSharedAttributes(const XMLItem& element, std::unique_ptr<BaseRes>& record, ResMap& map)
{
    mHadAlreadyDefinedError = false;
    const std::string* path = FindAttribute(element, "path");
    if (!path || path->empty())
        return Fail("No path specified.");

    record->mXMLAttributes = element.mAttributes;
    record->mFromProgram = false;
    if ((*path)[0] != '!') {
        record->mPath = mDefaultPath + *path;
    } else {
        record->mPath = *path;
        record->mFromProgram = *path == "!program";
    }

    const std::string* id = FindAttribute(element, "id");
    record->mId = mDefaultIdPrefix + (id ? *id : GetFileNameNoExtension(record->mPath));
    record->mResGroup = mCurResGroup;

    const auto [it, inserted] = map.try_emplace(record->mId);
    if (!inserted) {
        mHadAlreadyDefinedError = true;
        return Fail("Resource already defined.");
    }
    it->second = std::move(record);
    mParseResGroupList->push_back(it->second.get());
    return true;
}

template <typename Res>
Res* ResourceManager::DefineRecord(const XMLItem& element, ResMap& map)
{
    std::unique_ptr<BaseRes> record = std::make_unique<Res>();
    BaseRes* defined = record.get();
    if (ParseSharedAttributes(element, record, map))
        return static_cast<Res*>(defined);
    if (!mHadAlreadyDefinedError || !mAllowAlreadyDefinedResources)
        return nullptr;
    mError.clear();
    mHasFailed = false;
    BaseRes& existing = *map.at(record->mId);
    existing.mPath = record->mPath;
    existing.mXMLAttributes = record->mXMLAttributes;
    return static_cast<Res*>(&existing);
}

bool ResourceManager::ParseSoundElement(const XMLItem& element)
{
    SoundRes* res = DefineRecord<SoundRes>(element, mSoundMap);
    if (!res)
        return false;
    if (const std::string* volume = FindAttribute(element, "volume")) {
        char* end = nullptr;
        const double value = std::strtod(volume->c_str(), &end);
        if (end != volume->c_str())
            res->mVolume = value;
    }
    ReadIntAttribute(element, "pan", res->mPan);
    return true;
}

bool ResourceManager::ParseImageElement(const XMLItem& element)
{
    ImageRes* res = DefineRecord<ImageRes>(element, mImageMap);
    if (!res)
        return false;

    res->mPalletize = !HasAttribute(element, "nopal");
    res->mA4R4G4B4 = HasAttribute(element, "a4r4g4b4");
    res->mDDSurface = HasAttribute(element, "ddsurface");
    const bool is3D = mApp && mApp->Is3DEnabled();
    res->mPurgeBits = HasAttribute(element, "nobits") || HasAttribute(element, is3D ? "nobits3d" : "nobits2d");
    res->mA8R8G8B8 = HasAttribute(element, "a8r8g8b8");
    res->mMinimizeSubdivisions = HasAttribute(element, "minsubdivide");

    if (const std::string* alpha = FindAttribute(element, "alphaimage"))
        res->mAlphaImage = mDefaultPath + *alpha;
    res->mAlphaColor = 0xFFFFFF;
    if (const std::string* color = FindAttribute(element, "alphacolor")) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(color->c_str(), &end, 16);
        // Only a colour: a top byte would spoil the alpha-only pixels.
        if (end != color->c_str())
            res->mAlphaColor = static_cast<uint32_t>(value) & 0xFFFFFF;
    }
    if (const std::string* variant = FindAttribute(element, "variant"))
        res->mVariant = *variant;
    if (const std::string* grid = FindAttribute(element, "alphagrid"))
        res->mAlphaGridImage = mDefaultPath + *grid;

    res->mRows = 1;
    res->mCols = 1;
    ReadIntAttribute(element, "rows", res->mRows);
    ReadIntAttribute(element, "cols", res->mCols);
    // Refused here rather than at loading: cel sizes divide by them.
    if (res->mRows < 1 || res->mCols < 1 || res->mRows > kMaxCelRowsOrCols || res->mCols > kMaxCelRowsOrCols) {
        res->mRows = 1;
        res->mCols = 1;
        return Fail("Invalid rows or cols.");
    }

    const std::string* anim = FindAttribute(element, "anim");
    const std::string animType = anim ? StringToLower(*anim) : std::string("none");
    CelAnimation& animation = res->mAnimation;
    if (animType == "none") {
        animation.mType = CelAnimation::kNone;
        return true;
    }
    if (animType == "once")
        animation.mType = CelAnimation::kOnce;
    else if (animType == "pingpong")
        animation.mType = CelAnimation::kPingPong;
    else if (animType == "loop")
        animation.mType = CelAnimation::kLoop;
    else
        return Fail("Invalid animation type.");

    int beginDelay = 0;
    int endDelay = 0;
    ReadIntAttribute(element, "framedelay", animation.mFrameDelay);
    ReadIntAttribute(element, "begindelay", beginDelay);
    ReadIntAttribute(element, "enddelay", endDelay);
    if (const std::string* delays = FindAttribute(element, "perframedelay"))
        animation.mPerFrameDelay = ReadIntList(*delays);
    if (const std::string* frameMap = FindAttribute(element, "framemap"))
        animation.mFrameMap = ReadIntList(*frameMap);
    animation.Compute(std::max(res->mRows, res->mCols), beginDelay, endDelay);
    return true;
}

bool ResourceManager::ParseFontElement(const XMLItem& element)
{
    FontRes* res = DefineRecord<FontRes>(element, mFontMap);
    if (!res)
        return false;

    if (const std::string* image = FindAttribute(element, "image"))
        res->mImagePath = *image;
    if (const std::string* tags = FindAttribute(element, "tags"))
        res->mTags = *tags;

    res->mSysFont = res->mPath.starts_with("!sys:");
    if (!res->mSysFont)
        return true;
    res->mPath.erase(0, 5);
    const std::string* size = FindAttribute(element, "size");
    const int points = size ? ReadInt(size->c_str()) : 0;
    if (points <= 0)
        return Fail("SysFont needs point size");
    res->mSize = points;
    res->mBold = HasAttribute(element, "bold");
    res->mItalic = HasAttribute(element, "italic");
    res->mShadow = HasAttribute(element, "shadow");
    res->mUnderline = HasAttribute(element, "underline");
    return true;
}

bool ResourceManager::ParseDefaultsElement(const XMLItem& element)
{
    if (const std::string* path = FindAttribute(element, "path"))
        mDefaultPath = RemoveTrailingSlash(*path) + "/";
    if (const std::string* prefix = FindAttribute(element, "idprefix"))
        mDefaultIdPrefix = RemoveTrailingSlash(*prefix);
    return true;
}

} // namespace Vorn
