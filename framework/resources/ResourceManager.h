#pragma once
// Image, sound and font resources defined by group in the resource manifest,
// loaded at once or one per step, and handed out by id.
//
// Reading the manifest only defines records; a group load makes their
// objects. Failures are recorded, not thrown: the first one's text stays
// until the next manifest read or group load clears it. Only the lookups by
// id throw.
//
// Not locked: the loading thread uses the manager while it loads a group, and
// nothing else may use it meanwhile.

#include "framework/graphics/CelAnimation.h"
#include "framework/graphics/ImageRef.h"

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace Vorn {

class Font;
class Image;
class MemoryImage;
class SoundManager;
class VornAppBase;
class XMLParser;
struct XMLItem;

class ResourceManager {
public:
    enum ResType { kImage = 0, kSound = 1, kFont = 2 };

    class BaseRes {
    public:
        virtual ~BaseRes() = default;
        BaseRes(const BaseRes&) = delete;
        BaseRes& operator=(const BaseRes&) = delete;
        // Frees the loaded object; the definition stays and can load again.
        virtual void DeleteResource() {}

        int mType;
        std::string mId;
        std::string mResGroup;
        std::string mPath;
        // Every attribute of the defining element, as written.
        std::map<std::string, std::string> mXMLAttributes;
        // "!program": the program makes it itself, loading passes over it.
        bool mFromProgram = false;

    protected:
        explicit BaseRes(int type) : mType(type) {}
    };

    class ImageRes : public BaseRes {
    public:
        ImageRes() : BaseRes(kImage) {}
        ~ImageRes() override { mImage.Release(); }
        void DeleteResource() override { mImage.Release(); }

        ImageRef mImage;

        std::string mAlphaImage;
        std::string mAlphaGridImage;
        std::string mVariant;
        bool mPalletize = true;
        bool mA4R4G4B4 = false;
        bool mA8R8G8B8 = false;
        bool mDDSurface = false;
        bool mPurgeBits = false;
        bool mMinimizeSubdivisions = false;
        // Both 1 or more: a cel's size divides by them.
        int mRows = 1;
        int mCols = 1;
        // 0xRRGGBB.
        uint32_t mAlphaColor = 0xFFFFFF;
        CelAnimation mAnimation;
    };

    class SoundRes : public BaseRes {
    public:
        SoundRes() : BaseRes(kSound) {}
        void DeleteResource() override;

        // The manager the sound was loaded into, while it is loaded.
        SoundManager* mSoundManager = nullptr;

        // -1: not loaded.
        int mSoundId = -1;
        // Below 0: no base volume.
        double mVolume = -1.0;
        // 0: no base pan.
        int mPan = 0;
    };

    class FontRes : public BaseRes {
    public:
        FontRes();
        ~FontRes() override;
        void DeleteResource() override;

        std::unique_ptr<Font> mFont;
        std::unique_ptr<Image> mImage;

        std::string mImagePath;
        std::string mTags;
        bool mSysFont = false;
        bool mBold = false;
        bool mItalic = false;
        bool mUnderline = false;
        bool mShadow = false;
        int mSize = 0;
    };

    // Owning, keyed by id; ids are per kind.
    using ResMap = std::map<std::string, std::unique_ptr<BaseRes>>;
    // Not owning, in the manifest's order.
    using ResList = std::list<BaseRes*>;

    explicit ResourceManager(VornAppBase* app);
    virtual ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // Records, prefixes and groups of several manifests accumulate.
    bool ReadManifestFile(const std::string& fileName);
    bool HadFailure() const { return mHasFailed; }
    std::string GetErrorText() const { return mError; }

    // The parsing steps, in the order the manifest meets them. Each records
    // its failure and returns false.
    virtual bool ParseSharedAttributes(const XMLItem& element, std::unique_ptr<BaseRes>& record, ResMap& map);
    virtual bool ParseSoundElement(const XMLItem& element);
    virtual bool ParseImageElement(const XMLItem& element);
    virtual bool ParseFontElement(const XMLItem& element);
    virtual bool ParseDefaultsElement(const XMLItem& element);
    virtual bool ParseGroupElement();

    // Loading and lookup. Loads record their failure and return false; the
    // record stays not loaded.
    virtual void FreeGroup(const std::string& group);
    // Frees the loaded objects of the group's records, of all for "".
    virtual void FreeRecordMap(ResMap& map, const std::string& group);
    virtual bool LoadImageResource(ImageRes* res);
    virtual bool LoadFontResource(FontRes* res);
    virtual bool LoadSoundResource(SoundRes* res);
    // One step of a group load: loads the next record that needs it. False at
    // the end of the group, after a failure, or before BeginGroupLoad.
    virtual bool LoadNextOfGroup();
    virtual void OnResourceLoaded(BaseRes*) {}
    // Starts a step-wise load and clears an earlier failure.
    virtual void BeginGroupLoad(const std::string& group);
    virtual bool LoadGroup(const std::string& group);
    // Each throws ResourceManagerException for a missing or unloaded id.
    virtual ImageRef GetImageOrThrow(const std::string& id);
    virtual int GetSoundOrThrow(const std::string& id);
    virtual Font* GetFontOrThrow(const std::string& id);

    // Records of the group that the program does not supply itself; for ""
    // every record.
    int CountGroupResources(const std::string& group) const;
    // Null when there is no such font or it is not loaded.
    Font* GetFontRef(const std::string& id) const;
    bool LoadAlphaSource(ImageRes* res, MemoryImage* image);
    bool LoadAlphaGrid(ImageRes* res, MemoryImage* image);
    // The record's flags, cels and animation given to its loaded image, which
    // the record then holds (taking the reference).
    void ApplyImageSettings(ImageRes* res, MemoryImage* image, ImageRef& ref);

    std::set<std::string> mLoadedGroups;
    ResMap mImageMap;
    ResMap mSoundMap;
    ResMap mFontMap;
    std::unique_ptr<XMLParser> mXMLParser;
    std::string mError;
    bool mHasFailed = false;
    VornAppBase* mApp;
    std::string mCurResGroup;
    std::string mDefaultPath;
    std::string mDefaultIdPrefix;
    bool mAllowMissingProgramResources = false;
    bool mAllowAlreadyDefinedResources = false;
    bool mHadAlreadyDefinedError = false;
    std::map<std::string, ResList> mResGroupMap;
    // The group being loaded and the next record to look at.
    ResList* mCurResGroupList = nullptr;
    ResList::iterator mCurResGroupListItr;

protected:
    // Keeps the first failure; while a manifest is read the text gains its
    // line and file. Always false.
    bool Fail(const std::string& text);
    bool ParseManifestBody();

private:
    // A new record of the kind with the element's shared attributes, or the
    // existing one of its id when redefinition is allowed; null on failure.
    template <typename Res>
    Res* DefineRecord(const XMLItem& element, ResMap& map);
    // Image: holds an image; sound: has an id; font: has a font.
    static bool IsLoaded(const BaseRes& res);
    // The record of a lookup, loaded or excused; throws otherwise.
    BaseRes* FindForLookup(ResMap& map, const std::string& id, const char* failure);

    // The group a manifest is adding to. Apart from the load position's list:
    // a manifest read between two load steps must not move it.
    ResList* mParseResGroupList = nullptr;
};

} // namespace Vorn
