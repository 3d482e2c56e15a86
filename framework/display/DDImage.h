#pragma once
// A memory image whose pixels can also live in a surface of the display, in
// the display's own pixel format. Two kinds exist: images the application
// draws with, whose ARGB bits are the master copy and whose surface is built
// from them on demand (and may become the only copy once it is drawn on), and
// the display's own images (the screen and the cursor areas), which wrap a
// surface handed in from outside that is the only store of their pixels.
//
// Drawing picks one of three roads: the display's 3D road (the screen image
// while the display draws in 3D: textured primitives of the 3D device),
// software drawing straight into the locked surface, or the memory image's
// operations on the bits.

#include "framework/graphics/MemoryImage.h"
#include "platform/PixelFormat.h"

#include <cstdint>
#include <memory>

namespace Platform {
class Surface;
struct SurfaceRect;
} // namespace Platform

namespace Vorn {

class DDInterface;

class DDImage : public MemoryImage {
public:
    explicit DDImage(DDInterface* display);
    DDImage(const DDImage&) = delete;
    DDImage& operator=(const DDImage&) = delete;
    ~DDImage() override;

    // The image is the drawing surface of the display while it draws in 3D.
    bool UsesDirect3D() const override;
    // False for anything that is not a DDImage.
    static bool UsesDirect3D(const Image* image);

    // True when the image has a surface afterwards. Images with partial
    // transparency never get one.
    bool BuildSurface();
    // Builds the surface when there is none; null when that fails.
    Platform::Surface* GetSurface();
    // Reads the surface back first when it holds the only copy; keeps it when
    // that read fails.
    void FreeSurface();
    // After drawing onto the surface, which then holds the only copy: drops
    // the memory forms, but only while the surface holds readable pixels.
    void FreeAllButSurface();

    // Destination operations.
    // Drawn only on the 3D road; elsewhere the caller fills it.
    bool FillPolygon3D(const Point* vertices, int count, const Rect& clip, const Color& color, int mode, int offsetX,
        int offsetY) override;
    void FillRect(const Rect& rect, const Color& color, int mode) override;
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color, int mode) override;
    void DrawSmoothLine(double startX, double startY, double endX, double endY, const Color& color,
        int mode) override;
    void FillSpansWithCoverage(const Span* spans, int count, const Color& color, int mode, const uint8_t* coverage,
        int mapX, int mapY, int mapWidth, int mapHeight) override;
    void Blt(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode) override;
    void BltAtFloat(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip, const Color& color,
        int mode) override;
    void BltRotated(Image* source, float x, float y, const Rect& sourceRect, const Rect& clip, const Color& color,
        int mode, double angle, float centerX, float centerY) override;
    void StretchBlt(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, bool fastStretch) override;
    void StretchBltMirrored(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, bool fastStretch) override;
    void BltByMatrix(Image* source, float x, float y, const Matrix3x3& matrix, const Rect& clip,
        const Color& color, int mode, const Rect& sourceRect, bool blend) override;
    void DrawTexturedTriangles(Image* source, const TriangleVertex (*triangles)[3], int count, const Rect& clip,
        const Color& color, int mode, float offsetX, float offsetY, bool blend) override;
    void BltMirrored(Image* source, int x, int y, const Rect& sourceRect, const Color& color, int mode) override;

    // Memory image operations with a surface side.
    void ReleaseMemoryBits() override;
    void FreeDerivedData() override;
    void ReInit() override;
    void MarkBitsChanged() override;
    void ScanPixelFlags() override;
    void FreeNativeData() override;
    // Keeps the alpha flags as they are. An image attached to an outside
    // surface keeps the surface's size: a change of size is refused.
    void Create(int width, int height) override;
    void SetBits(const uint32_t* bits, int width, int height, bool commit = true) override;
    // Reads the surface back when there are no bits: colour-keyed pixels
    // come back with alpha 0, every other pixel opaque.
    uint32_t* GetBits() override;
    bool ReduceToPalette() override;

    // Operations of its own.
    virtual void SetVideoMemory(bool videoMemory);
    // With first pixel transparent set, the first pixel's colour becomes the
    // surface's colour key.
    virtual void BuildSurfaceWithColorKey();
    virtual void FillRectNormalOnSurface(const Rect& rect, const Color& color);
    virtual void FillRectAdditiveOnSurface(const Rect& rect, const Color& color);
    // The four blitters take their own nested lock; a source rectangle or
    // position reaching outside either image is held to both.
    virtual void BltNormalOnSurface(Image* source, int x, int y, const Rect& sourceRect, const Color& color);
    virtual void BltAdditiveOnSurface(Image* source, int x, int y, const Rect& sourceRect, const Color& color);
    virtual void BltMirroredNormalOnSurface(Image* source, int x, int y, const Rect& sourceRect,
        const Color& color);
    virtual void BltMirroredAdditiveOnSurface(Image* source, int x, int y, const Rect& sourceRect,
        const Color& color);
    // Lines on the locked surface; pixels off the surface are left out.
    virtual void DrawLineNormalOnSurface(double startX, double startY, double endX, double endY, const Color& color);
    virtual void DrawLineAdditiveOnSurface(double startX, double startY, double endX, double endY,
        const Color& color);
    virtual void DrawSmoothLineNormalOnSurface(double startX, double startY, double endX, double endY,
        const Color& color);
    // Locks nest through the lock count; only the outermost lock locks.
    virtual bool LockSurface();
    virtual bool UnlockSurface();
    // Takes an outside surface (and one reference to it) as the only store of
    // the pixels; the image takes the surface's size.
    virtual void SetSurface(std::shared_ptr<Platform::Surface> surface);

    // What the outermost lock handed out; empty while unlocked.
    struct LockedDesc {
        uint8_t* mBits = nullptr;
        int32_t mPitch = 0;
        Platform::PixelFormat mFormat;
    };

    DDInterface* const mDisplay;
    std::shared_ptr<Platform::Surface> mSurface;
    bool mSurfaceAttached = false;
    // No software drawing onto the surface and no reading it back.
    bool mNoLock = false;
    bool mVideoMemory = false;
    // The colour key is the first pixel's colour instead of a free colour.
    bool mFirstPixelTrans = false;
    bool mWantDDSurface = false;
    // Software drawing goes to the bits even when there is a surface.
    bool mDrawToBits = false;
    int32_t mLockCount = 0;
    LockedDesc mLockedSurfaceDesc;

private:
    // Fills, lines and plain blits draw on the surface, not the bits.
    bool TakesSurfaceRoad();
    // Locks and unlocks once: the surface can be drawn on and read back.
    bool SurfaceLockable();
    bool IsCursorAreaImage() const;
    // True when the image is attached and the size differs from its own.
    bool KeepsSurfaceSize(int width, int height) const;
    // Drops the surface without reading it back, and any lock on it.
    void ReleaseSurface();
    // Copies the source's surface onto this one, the colour key honoured,
    // releasing and retaking a lock the caller holds.
    void HardwareCopy(DDImage& source, int x, int y, const Rect& sourceRect);
    // The surface's own copy from the source's surface, stretched when the
    // sizes differ; false when a lock the caller held could not be retaken.
    bool HardwareBlt(DDImage& source, const Platform::SurfaceRect& destRect, const Platform::SurfaceRect& fromRect);
    SWTri::Destination SurfaceDestination() const;
    void Line(double x0, double y0, double x1, double y1, const Color& color, int mode, bool smooth);
    void Stretch(Image* source, const Rect& destRect, const Rect& sourceRect, const Rect& clip, const Color& color,
        int mode, bool fast, bool mirrored);
    void StretchSmoothOnto(MemoryImage* from, const StretchArea& area, const Rect& destRect, const Rect& sourceRect,
        const Rect& clip, const Color& color, int mode);
    void StretchNearestOnSurface(MemoryImage& from, const StretchArea& area, const Color& color, int mode,
        bool mirrored);
    // Not 3D, not attached, and bits to draw on.
    bool DrawsOnBits();
    void FillSpansThroughTemporaryImage(const Span* spans, int count, const Color& color, int mode,
        const uint8_t* coverage, int mapX, int mapY, int mapWidth, int mapHeight);
    void FillSpansOnSurface(const Span* spans, int count, const Color& color, const uint8_t* coverage, int mapX,
        int mapY, int mapWidth, int mapHeight);
    // Converts the bits into the locked surface with the colour key; false
    // when no key value is free.
    bool ConvertIntoSurface();
    void NormalBlit(Image* source, int x, int y, const Rect& sourceRect, const Color& color, bool mirrored);
    void AdditiveBlit(Image* source, int x, int y, const Rect& sourceRect, const Color& color, bool mirrored);
};

} // namespace Vorn
