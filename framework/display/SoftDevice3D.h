#pragma once
// The 3D device of the display on a machine without a hardware one: the
// triangle rasteriser of the software blitters behind the few calls the 3D
// path makes. It takes pre-transformed vertices only (positions in pixels,
// pixel centres at integer coordinates), draws strips, fans and lists of
// triangles and strips of lines, samples its textures by the nearest texel
// or bilinearly with the coordinates held to the texture's edge, multiplies
// texture and diffuse colour (colour and alpha), and blends with
// source alpha / inverse source alpha, source alpha / one or one / one onto
// 16- and 32-bit render targets. Blending is the rasteriser's 8-bit
// premultiplied arithmetic, so results may differ from the exact products
// by a step or two per channel.
//
// Results are DirectDraw's numbers, like those of Platform::Surface.

#include "framework/graphics/TexelDiscs.h"
#include "framework/graphics/TriangleLayer.h"
#include "platform/Surface.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Vorn {

// Texture formats, as flags of a format mask.
inline constexpr int kTextureA8R8G8B8 = 1;
inline constexpr int kTextureA4R4G4B4 = 2;
inline constexpr int kTextureR5G6B5 = 4;
inline constexpr int kTexturePalette8 = 8;

// Flags of a pixel-format description, with DirectDraw's numbers.
inline constexpr uint32_t DDPF_ALPHAPIXELS = 0x00000001;
inline constexpr uint32_t DDPF_PALETTEINDEXED8 = 0x00000020;
inline constexpr uint32_t DDPF_RGB = 0x00000040;

// How a texture's texels are laid out, as the device enumerates them.
// Masks are 0 where a format has no such channel.
struct PixelFormatDesc {
    uint32_t mFlags = 0;
    uint32_t mRGBBitCount = 0;
    uint32_t mRedMask = 0;
    uint32_t mGreenMask = 0;
    uint32_t mBlueMask = 0;
    uint32_t mAlphaMask = 0;

    constexpr bool operator==(const PixelFormatDesc&) const = default;
};

inline constexpr int32_t kD3DErrInvalidPrimitiveType = static_cast<int32_t>(0x887602E0);
inline constexpr int32_t kD3DErrTextureBadSize = static_cast<int32_t>(0x887602E2);
inline constexpr int32_t kD3DErrSceneInScene = static_cast<int32_t>(0x887602F8);
inline constexpr int32_t kD3DErrSceneNotInScene = static_cast<int32_t>(0x887602F9);
inline constexpr int32_t kD3DErrWrongTextureFormat = static_cast<int32_t>(0x88760818);
inline constexpr int32_t kD3DErrConflictingRenderState = static_cast<int32_t>(0x88760821);

// The vertex of every primitive: 32 bytes, diffuse as an ARGB word.
struct ScreenVertex {
    float x = 0;
    float y = 0;
    float z = 0;
    float rhw = 1;
    uint32_t diffuse = 0;
    uint32_t specular = 0;
    float u = 0;
    float v = 0;
};
static_assert(sizeof(ScreenVertex) == 32);

// 256 entries, each red, green, blue, alpha from the lowest byte up.
class SoftPalette {
public:
    explicit SoftPalette(const uint32_t* entries);
    void GetEntries(uint32_t* out) const;
    const uint32_t* Entries() const { return mEntries.data(); }
    // The entries as ARGB words (SWTri::PaletteEntryToArgb).
    const uint32_t* Argb() const { return mArgb.data(); }
    // Those words premultiplied (SWTri::PremultipliedWord).
    const uint32_t* PremultipliedArgb() const { return mPremultiplied.data(); }

private:
    std::array<uint32_t, 256> mEntries{};
    std::array<uint32_t, 256> mArgb{};
    std::array<uint32_t, 256> mPremultiplied{};
};

// A texture's pixels in system memory, rows packed without padding.
class SoftTexture {
public:
    SoftTexture(int width, int height, int format);
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int Format() const { return mFormat; }
    int Pitch() const { return mPitch; }
    // kDDErrSurfaceBusy while locked.
    int32_t Lock(Platform::LockedPixels& out);
    // kDDErrNotLocked when not locked.
    int32_t Unlock();
    bool IsLocked() const { return mLocked; }
    // Palette8 textures read their texels through it.
    void SetPalette(std::shared_ptr<SoftPalette> palette);
    const SoftPalette* Palette() const { return mPalette.get(); }
    const uint8_t* Pixels() const { return mPixels.data(); }
    // Counts the locks (which may write) and palettes given: what the
    // texture shows can change only with it.
    uint64_t Changes() const { return mChanges; }
    // What the last drawing from this texture left (TriangleLayer).
    SWTri::TriangleLayer& Layer() { return mLayer; }
    // An A8R8G8B8 texture's texels edged for bilinear rows
    // (SWTri::EdgedWords), made when first asked for after a lock; none
    // while locked, in other formats, or where the texture takes none.
    const uint32_t* Edged() const;
    // The texels as premultiplied ARGB words (SWTri::PremultipliedWord), for
    // every blend but the unweighted add, which reads them as they are: made
    // when first asked for after a lock or a new palette; none while locked,
    // in the 16-bit formats, or for a palette texture without a palette.
    const uint32_t* Premultiplied() const;
    // Those words edged for bilinear rows, as Edged.
    const uint32_t* EdgedPremultiplied() const;
    // Where the premultiplied words are something around a box of texture
    // positions in texels (SWTri::TexelDiscs::Around); null where there
    // are none to look at or the rows are better drawn whole.
    const SWTri::TexelDisc* Disc(double u0, double v0, double u1, double v1) const;

private:
    int mWidth;
    int mHeight;
    int mFormat;
    int mPitch;
    std::vector<uint8_t> mPixels;
    bool mLocked = false;
    std::shared_ptr<SoftPalette> mPalette;
    uint64_t mChanges = 0;
    SWTri::TriangleLayer mLayer;
    // Caches of what the texels are: dropped at every lock, and the
    // premultiplied ones at every palette.
    mutable std::unique_ptr<uint32_t[]> mEdged;
    mutable std::unique_ptr<uint32_t[]> mPremultiplied;
    mutable std::unique_ptr<uint32_t[]> mEdgedPremultiplied;
    // Found anew after every change.
    mutable SWTri::TexelDiscs mDiscs;
};

// Who the device is, for the capability test's cache and card checks.
struct AdapterIdentity {
    std::array<uint8_t, 16> guid{};
    std::string driver;
    std::string description;
};

struct DeviceCaps {
    int minTextureWidth = 1;
    int minTextureHeight = 1;
    int maxTextureWidth = 0;
    int maxTextureHeight = 0;
    // 0: any.
    int maxTextureAspect = 0;
    bool alphaPalette = false;
};

enum class Primitive { LineStrip = 3, TriangleList = 4, TriangleStrip = 5, TriangleFan = 6 };
enum class BlendFactor { One = 2, SrcAlpha = 5, InvSrcAlpha = 6 };

class SoftDevice3D {
public:
    // The memory textures may take, in bytes.
    static constexpr uint64_t kTextureMemory = uint64_t{64} << 20;

    static AdapterIdentity Identity();
    static DeviceCaps Caps();
    // The layouts the device's textures come in.
    static std::vector<PixelFormatDesc> EnumTextureFormats();
    // kD3DErrTextureBadSize outside the caps' sizes; kD3DErrWrongTextureFormat
    // for a format of no flag above.
    static int32_t CreateTexture(int width, int height, int format, std::shared_ptr<SoftTexture>& out);

    // kD3DErrWrongTextureFormat for a target of no 16- or 32-bit RGB layout
    // the rasteriser draws.
    int32_t SetRenderTarget(std::shared_ptr<Platform::Surface> target);
    int32_t BeginScene();
    // Outside a scene: kD3DErrSceneNotInScene, nothing changes.
    int32_t EndScene();
    bool InScene() const { return mInScene; }
    // Sets every pixel of the viewport to the colour.
    int32_t Clear(uint32_t argb);
    int32_t SetViewport(int x, int y, int width, int height);

    void SetBlending(bool enabled) { mBlending = enabled; }
    void SetBlendFactors(BlendFactor source, BlendFactor dest) { mSourceBlend = source, mDestBlend = dest; }
    void SetLinearFilter(bool linear) { mLinear = linear; }
    // Null draws the diffuse colour alone.
    void SetTexture(std::shared_ptr<SoftTexture> texture) { mTexture = std::move(texture); }
    const std::shared_ptr<SoftTexture>& Texture() const { return mTexture; }

    // kD3DErrSceneNotInScene outside a scene, kD3DErrConflictingRenderState
    // for blend factors of no pairing above, kDDErrSurfaceBusy while the
    // texture is locked. Strips and fans of fewer than three vertices (two
    // for lines) draw nothing.
    int32_t DrawPrimitive(Primitive type, const ScreenVertex* vertices, int count);

    // Primitives sent since the last BeginScene.
    int DrawCount() const { return mDrawCount; }

private:
    struct Target;
    struct Triangles;
    void DrawTriangles(const Target& target, Primitive type, const ScreenVertex* vertices, int count);
    // A drawing met before, laid from the texture's layer (TriangleLayer):
    // true when it was.
    bool DrawFromLayer(const Target& target, Primitive type, const ScreenVertex* vertices, int count);
    // The triangle in fixed point, with its colour and whether its corners'
    // colours differ; false for one with a corner not finite.
    bool Prepare(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, SWTri::FixedVertex* fixed,
        SWTri::ColorInfo& color, bool& shaded) const;
    void Run(const Target& target, const SWTri::FixedVertex* vertices, int triangles, const SWTri::ColorInfo& color,
        bool shaded) const;
    void DrawLine(const Target& target, const ScreenVertex& a, const ScreenVertex& b);

    std::shared_ptr<Platform::Surface> mTarget;
    int mViewX = 0;
    int mViewY = 0;
    int mViewWidth = 0;
    int mViewHeight = 0;
    bool mInScene = false;
    bool mBlending = false;
    BlendFactor mSourceBlend = BlendFactor::One;
    BlendFactor mDestBlend = BlendFactor::One;
    bool mLinear = false;
    std::shared_ptr<SoftTexture> mTexture;
    int mDrawCount = 0;
};

} // namespace Vorn
