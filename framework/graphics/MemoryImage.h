#pragma once
// An image whose master copy lives in memory as width x height straight-alpha
// 0xAARRGGBB words, row after row, with derived forms built on demand around
// it: a 256-colour palette form, a premultiplied copy in the display's pixel
// format, and two run-length tables that let blitters skip or copy whole runs.
// Every change of the pixels drops the derived forms. The image can give up
// its master copy and rebuild it from a derived form.
//
// Every image registers with its application for its whole life, so that the
// application can rebuild display data after a display change.

#include "framework/graphics/Image.h"
#include "framework/graphics/SWTri.h"
#include "framework/graphics/TexelDiscs.h"
#include "framework/graphics/TriangleLayer.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Vorn {

class NativeDisplay;
struct StretchArea;
class TextureSet;
class VornAppBase;

// Written after the last pixel of every master copy; never read back.
inline constexpr uint32_t kMemoryImageGuardWord = 0x4BEEFADE;

// Hints for the 3D path, kept in MemoryImage::mD3DFlags.
inline constexpr int kImageFlagMinimizeSubdivision = 1;
inline constexpr int kImageFlagUseA4R4G4B4 = 4;
inline constexpr int kImageFlagUseA8R8G8B8 = 8;

class MemoryImage : public Image {
public:
    // Registers with gApplication; with no application the image lives
    // unregistered. An image made on another thread than the main one must
    // be made and filled under the application's image lock.
    MemoryImage();
    explicit MemoryImage(VornAppBase* app);
    // Copies the pixels and every derived form but not the texture set.
    MemoryImage(const MemoryImage& other);
    MemoryImage& operator=(const MemoryImage&) = delete;
    ~MemoryImage() override;

    // Destination operations of the base.
    void FillRect(const Rect& rect, const Color& color, int mode) override;
    void ClearRect(const Rect& rect) override;
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
    void BltByMatrix(Image* source, float x, float y, const Matrix3x3& matrix, const Rect& clip,
        const Color& color, int mode, const Rect& sourceRect, bool blend) override;
    void DrawTexturedTriangles(Image* source, const TriangleVertex (*triangles)[3], int count, const Rect& clip,
        const Color& color, int mode, float offsetX, float offsetY, bool blend) override;

    // Operations of its own, in the order of the operation table.

    // The premultiplied pixels in the display's format, one word per pixel,
    // or one per palette entry in palette form; the straight alpha stays in
    // bits 24-31 of every word. Built when missing.
    virtual uint32_t* GetPremultipliedData(const NativeDisplay& display);
    // The same words edged for bilinear drawing (SWTri::EdgedWords), built
    // from them when missing; null in palette form or where the texture
    // takes no edged copy.
    const uint32_t* GetEdgedPremultipliedData(const NativeDisplay& display);
    // In palette form, the premultiplied word of every pixel (each its
    // index's entry of GetPremultipliedData), built when missing; null out
    // of palette form or past kMaxPaletteWords pixels.
    const uint32_t* GetPremultipliedPaletteWords(const NativeDisplay& display);
    // A picture of few colours drawn as a texture is read a word a pixel:
    // up to this many pixels (4 MB) its words are worth keeping.
    static constexpr size_t kMaxPaletteWords = size_t{1} << 20;
    // One byte per pixel: how many pixels from it to the end of its run of
    // one alpha class (0, 255, or between), itself included, at most 255.
    virtual uint8_t* GetRunLengthAlpha();
    // The same over two classes: the premultiplied pixel adds no colour, or
    // it does.
    virtual uint8_t* GetRunLengthAdditive(const NativeDisplay& display);
    // Drops the master copy wherever a derived form can stand in, now and
    // after every rebuild.
    virtual void ReleaseMemoryBits();
    virtual void FreeSoftwareData();
    virtual void FreeTextureBuffers();
    virtual void FreeDerivedData();
    // After a display change: palette form and purge again as asked before.
    virtual void ReInit();
    virtual void MarkBitsChanged();
    virtual void ScanPixelFlags();
    virtual void FreeNativeData();
    virtual void Clear();
    // A negative size changes nothing.
    virtual void SetBits(const uint32_t* bits, int width, int height, bool commit = true);
    // A negative size changes nothing; the pixels come with the next GetBits.
    virtual void Create(int width, int height);
    // The master copy, rebuilt from a derived form (or zeroed) when missing.
    virtual uint32_t* GetBits();
    virtual void ForceAlphaFlags(bool hasTrans, bool hasAlpha);
    virtual void SetVolatile(bool isVolatile);
    // True when the image is (now) in palette form; false when it has more
    // than 256 distinct colours, leaving the master copy.
    virtual bool ReduceToPalette();

    // The software matrix blit and textured triangles onto any destination
    // the triangle set-up draws (memory words or a locked surface). The draw
    // mode reaches the rasterisers: any mode but normal adds.
    static void BltByMatrixKernel(const Rect& sourceRect, const Matrix3x3& matrix, MemoryImage& source, float x,
        float y, const Rect& clip, const Color& color, const SWTri::Destination& dest, bool linear, int mode);
    static void DrawTexturedTrianglesKernel(MemoryImage& source, const TriangleVertex (*triangles)[3], int count,
        const Rect& clip, const Color& color, const SWTri::Destination& dest, float offsetX, float offsetY,
        bool linear, int mode);

    // Width x height, 0 for an image without pixels.
    size_t PixelCount() const;
    // What the last drawing from this image as a texture left, to be laid
    // again when the same drawing comes again (TriangleLayer); dropped with
    // the pixels.
    SWTri::TriangleLayer& TriangleLayerOf();
    SWTri::TexelDiscs& TexelDiscsOf();
    // The colour of pixel i of the image in palette form or not; needs the
    // master copy or the palette form.
    uint32_t PixelAt(size_t i) const { return mColorTable ? mColorTable[mColorIndices[i]] : mBits[i]; }

    std::unique_ptr<uint32_t[]> mBits;
    int mBitsChangedCount = 0;
    // Set and freed only by the 3D path.
    TextureSet* mD3DData = nullptr;
    int mD3DFlags = 0;
    std::unique_ptr<uint32_t[]> mColorTable;
    std::unique_ptr<uint8_t[]> mColorIndices;
    // The alpha flags were set from outside; scans leave them alone.
    bool mForcedMode = false;
    // Some pixel has alpha 0.
    bool mHasTrans = false;
    // Some pixel has an alpha between 1 and 254.
    bool mHasAlpha = false;
    // The pixels change often: surface blitters draw it from its bits.
    bool mIsVolatile = false;
    bool mPurgeBits = false;
    // Stays in palette form across display changes.
    bool mWantPal = false;
    std::unique_ptr<uint32_t[]> mNativeAlphaData;
    // Made from mNativeAlphaData and dropped with it (ForgetNativeData).
    std::unique_ptr<uint32_t[]> mEdgedNativeData;
    std::unique_ptr<uint32_t[]> mPaletteNativeWords;
    std::unique_ptr<uint8_t[]> mRLAlphaData;
    std::unique_ptr<uint8_t[]> mRLAdditiveData;
    bool mBitsChanged = false;
    std::unique_ptr<SWTri::TriangleLayer> mTriangleLayer;
    // Where the cels drawn as textures have texels to sample; dropped with
    // the pixels, as the layer is.
    std::unique_ptr<SWTri::TexelDiscs> mTexelDiscs;
    // Not owned; null when the image is not registered.
    VornAppBase* mApp = nullptr;

    // Drops what drawing the image as triangles keeps of its pixels (its
    // layer, its texel discs): wherever the pixels go or change.
    void ForgetTriangleData();

    // The application's display while it has a pixel format, else null.
    const NativeDisplay* AppDisplay() const;
    // Drops the premultiplied words and what is made of them.
    void ForgetNativeData();

protected:
    // The stretches into the bits, which the caller has fetched: nearest
    // pixel laid as the plain blit lays it (mirrored: written from the
    // right), or smoothly resampled and laid with the over blend.
    void StretchNearest(MemoryImage& source, const StretchArea& area, const Color& color, int mode, bool mirrored);
    void StretchSmooth(MemoryImage& source, const StretchArea& area);

    // For derived images, which register themselves once they are whole: a
    // walk over the image set on the main thread must never meet an image
    // another thread is still building.
    struct Unregistered {};
    MemoryImage(VornAppBase* app, Unregistered);
    void Register();

private:
    // The bits as a destination of the software triangles: without alpha
    // only while the alpha flags are forced off.
    SWTri::Destination TriangleDestination();
    // A fresh master copy with its guard word, pixels undefined.
    void AllocateBits();
    void FreePalette();
    // Pixels from the premultiplied form when it exists, else zero; the
    // palette form is not looked at.
    void RebuildPixels(uint32_t* out) const;
};

} // namespace Vorn
