#pragma once
// Images loaded from files are shared by path and variant: the application
// keeps one PooledImage per pair, and every holder keeps an ImageRef to it.
// A reference can instead hold an image that is not shared at all.
//
// A record whose count reaches 0 lives on until the application's next
// update, so that another holder can take it again meanwhile.
//
// Counts are atomic: references to one record are copied and released on
// the main and the loading thread at once.

#include <atomic>

namespace Vorn {

class MemoryImage;

struct PooledImage {
    // Owned by the application; null until it is loaded.
    MemoryImage* mImage = nullptr;
    std::atomic<int> mRefCount{0};
};

class ImageRef {
public:
    ImageRef() = default;
    // Holders used to release by hand; a reference returned by value would
    // otherwise keep its count, and its shared image, forever.
    ~ImageRef() { Release(); }
    // Shares the other's record; the unshared image is copied but not owned.
    ImageRef(const ImageRef& other);
    // Takes everything the other holds, ownership included, and leaves it
    // empty: no count changes hands.
    ImageRef(ImageRef&& other) noexcept;
    // Shares the other's record only: its unshared image is not taken. An
    // assignment never deletes an owned image that the incoming side holds
    // too; the image then stays here, owned.
    ImageRef& operator=(const ImageRef& other);
    ImageRef& operator=(ImageRef&& other) noexcept;
    ImageRef& operator=(PooledImage* pooled);
    // Releases, then holds the image unshared; ownership stays as it was.
    ImageRef& operator=(MemoryImage* image);

    // Lets go of both images; the last count of a record asks the
    // application for a clean-up at its next update.
    void Release();
    // The unshared image when set, else the shared one, else null.
    MemoryImage* GetImage() const;
    operator MemoryImage*() const { return GetImage(); }
    MemoryImage* GetSharedImage() const;

    PooledImage* mPooled = nullptr;
    MemoryImage* mUnshared = nullptr;
    bool mOwnsUnshared = false;

private:
    // Holds `pooled`, already counted for this reference, in place of
    // everything held so far, except an owned image that is `incoming`
    // itself: that one stays, owned. True when it stayed.
    bool Replace(PooledImage* pooled, const MemoryImage* incoming);
};

} // namespace Vorn
