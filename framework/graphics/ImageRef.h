#pragma once
// Images loaded from files are shared by path and variant: the application
// keeps one PooledImage per pair, and every holder keeps an ImageRef to it.
// A reference can instead hold an image that is not shared at all.
//
// The reference has no destructor: holders call Release when they let go. A
// record whose count reaches 0 lives on until the application's next update,
// so that another holder can take it again meanwhile.
//
// Counts are plain ints: references are made and released on the main and
// loading threads, never on both at once for one record.

namespace Vorn {

class MemoryImage;

struct PooledImage {
    // Owned by the application; null until it is loaded.
    MemoryImage* mImage = nullptr;
    int mRefCount = 0;
};

class ImageRef {
public:
    ImageRef() = default;
    // Shares the other's record; the unshared image is copied but not owned.
    ImageRef(const ImageRef& other);
    // Releases, then shares the other's record only.
    ImageRef& operator=(const ImageRef& other);
    ImageRef& operator=(PooledImage* pooled);
    // Releases, then holds the image unshared; ownership stays as it was.
    ImageRef& operator=(MemoryImage* image);

    void Release();
    // The unshared image when set, else the shared one, else null.
    MemoryImage* GetImage() const;
    operator MemoryImage*() const { return GetImage(); }
    MemoryImage* GetSharedImage() const;

    PooledImage* mPooled = nullptr;
    MemoryImage* mUnshared = nullptr;
    bool mOwnsUnshared = false;
};

} // namespace Vorn
