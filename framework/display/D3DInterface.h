#pragma once
// The 3D road of the display: while the display runs in 3D, every drawing
// operation on the screen image becomes primitives of the 3D device, whose
// render target is the display's drawing surface. Source images are shown
// as textures: each memory image drawn gets a texture set, a grid of
// texture pieces sized for the device, in a format chosen from its content.
// A failed device call is remembered as the last 3D error, and the next
// presentation switches 3D off.

#include "framework/display/SoftDevice3D.h"
#include "framework/graphics/Color.h"
#include "framework/graphics/Point.h"
#include "framework/graphics/Rect.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Platform {
class Surface;
} // namespace Platform

namespace Vorn {

class DDInterface;
class Image;
class Matrix3x3;
class MemoryImage;
struct TriangleVertex;

struct TexturePiece {
    std::shared_ptr<SoftTexture> mTexture;
    int mWidth = 0;
    int mHeight = 0;
};

// What GetPieceAt hands out: the piece under a source position, the part
// of it inside the asked width and height, and that part's u/v range.
struct PiecePart {
    // Into the set's pieces.
    int mIndex = 0;
    int mWidth = 0;
    int mHeight = 0;
    float mU0 = 0;
    float mV0 = 0;
    float mU1 = 0;
    float mV1 = 0;
};

class TextureSet {
public:
    // The piece under image position (x, y), cut to at most width x height.
    PiecePart GetPieceAt(int x, int y, int width, int height) const;
    void ReleaseTextures();

    std::vector<TexturePiece> mPieces;
    std::shared_ptr<SoftPalette> mPalette;
    int mImageWidth = 0;
    int mImageHeight = 0;
    int mColumns = 0;
    int mRows = 0;
    int mPieceWidth = 64;
    int mPieceHeight = 64;
    int mBitsChangedCount = 0;
    int mTextureMemory = 0;
    float mExtentX = 0;
    float mExtentY = 0;
    int mFormat = 0;
    int mImageFlags = 0;
    // The image's alpha flags at the last upload, which the format follows:
    // they may be forced without a change of the pixels.
    bool mHasTrans = false;
    bool mHasAlpha = false;
};

// A polygon for the clipper; the axis of a pass is 0 x, 1 y, 2 z, 3 u, 4 v.
class ClipVertexList {
public:
    ClipVertexList() { mVertices.reserve(100); }
    void Add(const ScreenVertex& vertex) { mVertices.push_back(vertex); }
    void Clear() { mVertices.clear(); }
    int Count() const { return static_cast<int>(mVertices.size()); }
    const ScreenVertex* Data() const { return mVertices.data(); }
    ScreenVertex* Data() { return mVertices.data(); }
    // Keeps what lies at or above (ClipToMin) or below (ClipToMax) the bound,
    // from `in` into this list.
    void ClipToMin(const ClipVertexList& in, int axis, float bound);
    void ClipToMax(const ClipVertexList& in, int axis, float bound);

private:
    void Clip(const ClipVertexList& in, int axis, float bound, bool keepAbove);
    std::vector<ScreenVertex> mVertices;
};

// Texture flags of an image, beside those MemoryImage.h names.
inline constexpr int kImageFlagFixedPieces = 2;

class D3DInterface {
public:
    explicit D3DInterface(DDInterface* display);
    ~D3DInterface();
    D3DInterface(const D3DInterface&) = delete;
    D3DInterface& operator=(const D3DInterface&) = delete;

    // Clears the last 3D error, takes the display's drawing surface and
    // size and makes the device. False, with the error set, on failure.
    bool AttachToDisplay();
    // Ends an open scene. The last error stays: an error earlier in the
    // frame must still switch 3D off at the presentation.
    void EndOpenScene();
    // Frees the textures of every recorded image (reading back first what
    // only the textures still hold) and the device.
    void Cleanup();
    // False for a success; a failure becomes the last 3D error and the
    // setting "Test3D\\RuntimeError".
    bool CheckResult3D(int32_t result, const char* operation);

    void Blt(MemoryImage* image, int x, int y, const Rect& sourceRect, const Color& color, int mode, bool linear);
    void BltAtFloat(MemoryImage* image, float x, float y, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode);
    void BltMirrored(MemoryImage* image, int x, int y, const Rect& sourceRect, const Color& color, int mode);
    void StretchBlt(MemoryImage* image, const Rect& destRect, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, bool fastStretch, bool mirror);
    void BltRotated(MemoryImage* image, float x, float y, const Rect& sourceRect, const Rect& clip,
        const Color& color, int mode, double angle, float centerX, float centerY);
    void BltTransformed(MemoryImage* image, const Rect* clip, const Color& color, int mode, const Rect& sourceRect,
        const Matrix3x3& matrix, bool linear, float x, float y, bool center);
    void FillRect(const Rect& rect, const Color& color, int mode);
    void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int mode);
    void FillPoly(const Point* points, int count, const Rect* clip, const Color& color, int mode, int tx, int ty);
    void DrawTexturedTriangles(MemoryImage* image, const TriangleVertex (*triangles)[3], int count,
        const Color& color, int mode, float tx, float ty, bool linear);

    // The texture side.
    bool PrepareImage(MemoryImage* image);
    bool ReadBackBits(MemoryImage* image);
    void FreeImageTextures(MemoryImage* image);
    // The best piece size for an extent of w x h.
    void GetBestTextureSize(int& width, int& height, bool edge, int flags) const;
    // Smallest power of two at or above n (1 for n up to 1).
    static int NextPowerOfTwo(int n);
    // Entry n of the main-piece size table.
    static int TableSize(int n);
    void CreateTextureGrid(TextureSet& set, int width, int height) const;
    // The description of a texture format flag; all zero for a value that
    // is no single flag.
    static void SetPixelFormat(PixelFormatDesc& format, int flag);
    // The flag whose description equals the one given in every field (the
    // bit count and flags alone for Palette8, whose masks mean nothing);
    // 0 for none.
    static int PixelFormatToFlag(const PixelFormatDesc& format);
    // The flags of the enumerated descriptions that are texture formats.
    static int TextureFormatMask(const std::vector<PixelFormatDesc>& enumerated);

    static uint32_t ToA4R4G4B4(uint32_t c);
    static uint32_t ToR5G6B5(uint32_t c);
    static uint32_t FromA4R4G4B4(uint32_t t);
    static uint32_t FromR5G6B5(uint32_t t);
    // A colour-table entry as a palette entry (red and blue exchanged), and
    // back: the exchange is its own inverse.
    static uint32_t SwapRedBlue(uint32_t c);

    // The device's texture limits and format mask.
    int mMinTextureWidth = 64;
    int mMinTextureHeight = 64;
    int mMaxTextureWidth = 64;
    int mMaxTextureHeight = 64;
    int mMaxTextureAspect = 1;
    int mFormatMask = 0;
    bool mLinearFilter = false;
    bool mBeginSceneFailed = false;
    std::string mLastError;

    DDInterface* mDisplay;
    int mWidth = 640;
    int mHeight = 480;
    bool mWindowed = true;
    bool mSceneOpen = false;
    std::unique_ptr<SoftDevice3D> mDevice;
    std::shared_ptr<Platform::Surface> mDrawSurface;
    Rect mViewport;
    std::set<MemoryImage*> mTextureImages;

private:
    bool CreateDevice3D();
    bool BeginSceneIfNeeded();
    void SetBlendMode(int mode);
    void SetLinearFilter(bool linear);
    void SetNoTexture();
    bool Draw(Primitive type, const ScreenVertex* vertices, int count, const char* operation);
    void DrawTexturePieces(TextureSet& set, const Rect& sourceRect, int x, int y, uint32_t diffuse);
    void ClipPolyToRect(ClipVertexList& list, const Rect& rect);
    void DrawTexturedTrianglesPieces(TextureSet& set, const TriangleVertex (*triangles)[3], int count,
        uint32_t diffuse, float tx, float ty);
    bool ClipPolyToUnitUV(ClipVertexList& list);
    void ValidateTextures(TextureSet& set, MemoryImage& image);
    void CreateTextures(TextureSet& set, MemoryImage& image);
    std::shared_ptr<SoftTexture> CreateTextureSurface(int width, int height, int format);
    void UploadPiece(SoftTexture& texture, const MemoryImage& image, int x, int y, int format);
    // Forgets every recorded image, freeing its set, under the display lock.
    void FreeAllTextures();
};

} // namespace Vorn
