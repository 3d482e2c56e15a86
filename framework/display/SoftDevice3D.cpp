#include "framework/display/SoftDevice3D.h"

#include "framework/graphics/TextureFetch.h"
#include "framework/graphics/TriangleRasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Vorn {

namespace {

using namespace SWTri;

// The texture sizes the rasteriser's 16.16 texel coordinates reach with
// room to spare.
constexpr int kMaxTextureSize = 4096;

int DeviceBytesPerTexel(int format)
{
    switch (format) {
    case kTextureA8R8G8B8:
        return 4;
    case kTextureA4R4G4B4:
    case kTextureR5G6B5:
        return 2;
    case kTexturePalette8:
        return 1;
    default:
        return 0;
    }
}

// Positions stay where 16.16 holds them.
int32_t FixedPosition(float value)
{
    return static_cast<int32_t>(std::nearbyint(std::clamp(static_cast<double>(value), -32767.0, 32767.0) * 65536.0));
}

int32_t FixedTexel(float value, int size)
{
    return static_cast<int32_t>(
        std::nearbyint(std::clamp(static_cast<double>(value) * size, -32767.0, 32767.0) * 65536.0));
}

int32_t FixedChannelOf(uint32_t argb, int shift)
{
    return static_cast<int32_t>(((argb >> shift) & 0xFF) << 16);
}

ColorInfo ColorOf(uint32_t argb)
{
    return {static_cast<int>(argb >> 24), static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
        static_cast<int>(argb & 0xFF)};
}

// How a source sample meets the target: store, over (source alpha, inverse
// source alpha), add weighted by alpha (source alpha, one) or add as it is
// (one, one).
enum class Mode { Store, Over, Add, AddUnweighted };

// One triangle, or two of the same colour and shading (their six vertices)
// walked down their rows together.
struct Job {
    const FixedVertex* vertices;
    int triangles;
    Destination dest;
    ColorInfo color;
    bool vertexShade;
    bool linear;
    Mode mode;
    // Where the samples can be something (SWTri::TexelDisc), or null.
    const TexelDisc* disc = nullptr;
};

template <typename Tgt, typename Fetch, Sampling S, Compose H>
void RunShade(const Job& job, const Fetch& fetch)
{
    if (job.vertexShade)
        RasterizeTriangles<Tgt, Fetch, S, H, Shading::Vertex>(job.vertices, job.triangles, job.dest, fetch, job.color,
            job.disc);
    else
        RasterizeTriangles<Tgt, Fetch, S, H, Shading::Constant>(job.vertices, job.triangles, job.dest, fetch,
            job.color, job.disc);
}

template <typename Tgt, typename Fetch, typename Unweighted, Sampling S>
void RunMode(const Job& job, const Fetch& fetch)
{
    switch (job.mode) {
    case Mode::Store:
        RunShade<Tgt, Fetch, S, Compose::Store>(job, fetch);
        break;
    case Mode::Over:
        RunShade<Tgt, Fetch, S, Compose::Over>(job, fetch);
        break;
    case Mode::Add:
        RunShade<Tgt, Fetch, S, Compose::Add>(job, fetch);
        break;
    case Mode::AddUnweighted:
        RunShade<Tgt, Unweighted, S, Compose::Add>(job, Unweighted{fetch});
        break;
    }
}

template <typename Tgt, typename Fetch, typename Unweighted>
void RunSampling(const Job& job, const Fetch& fetch)
{
    if (job.linear)
        RunMode<Tgt, Fetch, Unweighted, Sampling::Bilinear>(job, fetch);
    else
        RunMode<Tgt, Fetch, Unweighted, Sampling::Point>(job, fetch);
}

// The box of the corners' texture positions, in texels, and how wide the
// drawing is, in pixels.
struct CornerBox {
    double u0;
    double v0;
    double u1;
    double v1;
    double columns;
};

CornerBox BoxOf(const FixedVertex* corners, int count)
{
    int32_t left = corners[0].x;
    int32_t right = left;
    int32_t u0 = corners[0].u;
    int32_t u1 = u0;
    int32_t v0 = corners[0].v;
    int32_t v1 = v0;
    for (int i = 1; i < count; ++i) {
        left = std::min(left, corners[i].x);
        right = std::max(right, corners[i].x);
        u0 = std::min(u0, corners[i].u);
        u1 = std::max(u1, corners[i].u);
        v0 = std::min(v0, corners[i].v);
        v1 = std::max(v1, corners[i].v);
    }
    constexpr double kPixel = 65536;
    return {u0 / kPixel, v0 / kPixel, u1 / kPixel, v1 / kPixel, (int64_t{right} - left) / kPixel};
}

// The disc of the texels the corners' samples can reach, for drawings wide
// enough to be worth it.
const TexelDisc* DiscOf(const SoftTexture& texture, const CornerBox& box)
{
    if (box.columns < TexelDiscs::kWorthColumns)
        return nullptr;
    return texture.Disc(box.u0, box.v0, box.u1, box.v1);
}

// Reads ahead the words the corners' samples take (SWTri::ReadAhead): the
// edged ones where bilinear rows have them.
void ReadAheadOf(const CornerBox& box, const uint32_t* words, const uint32_t* edged, int width, int height)
{
    if (edged)
        SWTri::ReadAhead(edged, width + 2, height + 2, 1, box.u0, box.v0, box.u1, box.v1);
    else
        SWTri::ReadAhead(words, width, height, 0, box.u0, box.v0, box.u1, box.v1);
}

template <typename Fetch, typename Unweighted = UnweightedFetch<Fetch>>
void RunTarget(const Job& job, const Fetch& fetch)
{
    switch (job.dest.format) {
    case kFormat888:
        if (job.dest.redLow)
            RunSampling<Target888<true>, Fetch, Unweighted>(job, fetch);
        else
            RunSampling<Target888<false>, Fetch, Unweighted>(job, fetch);
        break;
    case kFormat565:
        RunSampling<Target16<6>, Fetch, Unweighted>(job, fetch);
        break;
    case kFormat555:
        RunSampling<Target16<5>, Fetch, Unweighted>(job, fetch);
        break;
    case kFormatRecording:
        RunSampling<SampleTarget, Fetch, Unweighted>(job, fetch);
        break;
    default:
        break;
    }
}

// Untextured: every sample is opaque white, so filtering changes nothing.
template <typename Tgt>
void RunWhite(const Job& job)
{
    switch (job.mode) {
    case Mode::Store:
        RunShade<Tgt, WhiteFetch, Sampling::Point, Compose::Store>(job, WhiteFetch{});
        break;
    case Mode::Over:
        RunShade<Tgt, WhiteFetch, Sampling::Point, Compose::Over>(job, WhiteFetch{});
        break;
    case Mode::Add:
    case Mode::AddUnweighted:
        RunShade<Tgt, WhiteFetch, Sampling::Point, Compose::Add>(job, WhiteFetch{});
        break;
    }
}

void RunUntextured(const Job& job)
{
    switch (job.dest.format) {
    case kFormat888:
        if (job.dest.redLow)
            RunWhite<Target888<true>>(job);
        else
            RunWhite<Target888<false>>(job);
        break;
    case kFormat565:
        RunWhite<Target16<6>>(job);
        break;
    case kFormat555:
        RunWhite<Target16<5>>(job);
        break;
    default:
        break;
    }
}

Mode ModeOf(bool blending, BlendFactor source, BlendFactor dest, bool& known)
{
    known = true;
    if (!blending)
        return Mode::Store;
    if (source == BlendFactor::SrcAlpha && dest == BlendFactor::InvSrcAlpha)
        return Mode::Over;
    if (source == BlendFactor::SrcAlpha && dest == BlendFactor::One)
        return Mode::Add;
    if (source == BlendFactor::One && dest == BlendFactor::One)
        return Mode::AddUnweighted;
    known = false;
    return Mode::Store;
}

int TargetFormat(const Platform::PixelFormat& f, bool& redLow)
{
    redLow = false;
    if (f.bitsPerPixel == 32 && f.greenMask == 0xFF00 && (f.redMask | f.blueMask) == 0xFF00FF &&
        f.redMask != f.blueMask) {
        redLow = f.redMask == 0xFF;
        return kFormat888;
    }
    if (f == Platform::kFormatR5G6B5)
        return kFormat565;
    if (f == Platform::kFormatX1R5G5B5)
        return kFormat555;
    return 0;
}

// One pixel of a line, composed as a triangle's would be.
template <typename Tgt>
void Plot(const Destination& dest, int x, int y, Mode mode, const Lanes& s)
{
    auto* pixel = RowOf<typename Tgt::Pixel>(dest, y) + x;
    switch (mode) {
    case Mode::Store:
        *pixel = Tgt::template Compose<Compose::Store>(*pixel, s);
        break;
    case Mode::Over:
        *pixel = Tgt::template Compose<Compose::Over>(*pixel, s);
        break;
    case Mode::Add:
    case Mode::AddUnweighted:
        *pixel = Tgt::template Compose<Compose::Add>(*pixel, s);
        break;
    }
}

} // namespace

SoftPalette::SoftPalette(const uint32_t* entries)
{
    std::copy_n(entries, mEntries.size(), mEntries.begin());
    std::transform(mEntries.begin(), mEntries.end(), mArgb.begin(), SWTri::PaletteEntryToArgb);
    std::transform(mArgb.begin(), mArgb.end(), mPremultiplied.begin(), SWTri::PremultipliedWord);
}

void SoftPalette::GetEntries(uint32_t* out) const
{
    std::copy(mEntries.begin(), mEntries.end(), out);
}

SoftTexture::SoftTexture(int width, int height, int format)
    : mWidth(width), mHeight(height), mFormat(format), mPitch(width * DeviceBytesPerTexel(format)),
      mPixels(static_cast<size_t>(mPitch) * static_cast<size_t>(height))
{
}

int32_t SoftTexture::Lock(Platform::LockedPixels& out)
{
    if (mLocked)
        return Platform::kDDErrSurfaceBusy;
    mLocked = true;
    ++mChanges;
    mEdged.reset();
    mPremultiplied.reset();
    mEdgedPremultiplied.reset();
    out.bits = mPixels.data();
    out.pitch = mPitch;
    return Platform::kDDOk;
}

void SoftTexture::SetPalette(std::shared_ptr<SoftPalette> palette)
{
    mPalette = std::move(palette);
    ++mChanges;
    mPremultiplied.reset();
    mEdgedPremultiplied.reset();
}

const uint32_t* SoftTexture::Edged() const
{
    if (mLocked || mFormat != kTextureA8R8G8B8)
        return nullptr;
    if (!mEdged)
        mEdged = SWTri::EdgedWords(reinterpret_cast<const uint32_t*>(mPixels.data()), mWidth, mHeight);
    return mEdged.get();
}

const uint32_t* SoftTexture::Premultiplied() const
{
    if (mLocked || mPremultiplied)
        return mPremultiplied.get();
    const size_t count = static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight);
    if (mFormat == kTextureA8R8G8B8) {
        mPremultiplied = std::make_unique<uint32_t[]>(count);
        const auto* texels = reinterpret_cast<const uint32_t*>(mPixels.data());
        std::transform(texels, texels + count, mPremultiplied.get(), SWTri::PremultipliedWord);
    } else if (mFormat == kTexturePalette8 && mPalette) {
        mPremultiplied = std::make_unique<uint32_t[]>(count);
        const uint32_t* table = mPalette->PremultipliedArgb();
        std::transform(mPixels.data(), mPixels.data() + count, mPremultiplied.get(),
            [table](uint8_t index) { return table[index]; });
    }
    return mPremultiplied.get();
}

const SWTri::TexelDisc* SoftTexture::Disc(double u0, double v0, double u1, double v1) const
{
    SWTri::TextureInfo words;
    words.premultiplied = Premultiplied();
    words.width = mWidth;
    words.height = mHeight;
    return words.premultiplied ? mDiscs.Around(words, u0, v0, u1, v1, mChanges) : nullptr;
}

const uint32_t* SoftTexture::EdgedPremultiplied() const
{
    const uint32_t* words = Premultiplied();
    if (words && !mEdgedPremultiplied)
        mEdgedPremultiplied = SWTri::EdgedWords(words, mWidth, mHeight);
    return mEdgedPremultiplied.get();
}

int32_t SoftTexture::Unlock()
{
    if (!mLocked)
        return Platform::kDDErrNotLocked;
    mLocked = false;
    return Platform::kDDOk;
}

// The software device is part of the program: no driver file of its own.
AdapterIdentity SoftDevice3D::Identity()
{
    AdapterIdentity identity;
    identity.guid = {0x5A, 0x51, 0x53, 0x57, 0x33, 0x44, 0x00, 0x01, 0x8E, 0x21, 0x7A, 0x71, 0x75, 0x65, 0x6C, 0x01};
    identity.driver = "vorn-soft3d";
    identity.description = "Vorn software 3D device (triangle rasteriser)";
    return identity;
}

DeviceCaps SoftDevice3D::Caps()
{
    DeviceCaps caps;
    caps.minTextureWidth = 1;
    caps.minTextureHeight = 1;
    caps.maxTextureWidth = kMaxTextureSize;
    caps.maxTextureHeight = kMaxTextureSize;
    caps.maxTextureAspect = 0;
    caps.alphaPalette = true;
    return caps;
}

std::vector<PixelFormatDesc> SoftDevice3D::EnumTextureFormats()
{
    return {{DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
        {DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000}, {DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0},
        {DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0}};
}

int32_t SoftDevice3D::CreateTexture(int width, int height, int format, std::shared_ptr<SoftTexture>& out)
{
    out.reset();
    if (DeviceBytesPerTexel(format) == 0)
        return kD3DErrWrongTextureFormat;
    if (width < 1 || height < 1 || width > kMaxTextureSize || height > kMaxTextureSize)
        return kD3DErrTextureBadSize;
    out = std::make_shared<SoftTexture>(width, height, format);
    return Platform::kDDOk;
}

int32_t SoftDevice3D::SetRenderTarget(std::shared_ptr<Platform::Surface> target)
{
    bool redLow = false;
    if (!target || TargetFormat(target->Format(), redLow) == 0)
        return kD3DErrWrongTextureFormat;
    if (target != mTarget) {
        mViewX = mViewY = 0;
        mViewWidth = target->Width();
        mViewHeight = target->Height();
    }
    mTarget = std::move(target);
    return Platform::kDDOk;
}

int32_t SoftDevice3D::BeginScene()
{
    if (mInScene)
        return kD3DErrSceneInScene;
    mInScene = true;
    mDrawCount = 0;
    return Platform::kDDOk;
}

int32_t SoftDevice3D::EndScene()
{
    if (!mInScene)
        return kD3DErrSceneNotInScene;
    mInScene = false;
    return Platform::kDDOk;
}

int32_t SoftDevice3D::SetViewport(int x, int y, int width, int height)
{
    if (!mTarget || x < 0 || y < 0 || width < 0 || height < 0 || x + width > mTarget->Width() ||
        y + height > mTarget->Height())
        return Platform::kDDErrInvalidParams;
    mViewX = x;
    mViewY = y;
    mViewWidth = width;
    mViewHeight = height;
    return Platform::kDDOk;
}

struct SoftDevice3D::Target {
    Destination dest;
    Platform::Surface* surface = nullptr;
};

int32_t SoftDevice3D::Clear(uint32_t argb)
{
    if (!mTarget)
        return Platform::kDDErrInvalidParams;
    Platform::LockedPixels locked;
    if (const int32_t result = mTarget->Lock(locked); result != Platform::kDDOk)
        return result;
    const Platform::PixelFormat& f = mTarget->Format();
    const auto place = [&](uint32_t mask, uint32_t channel) {
        const int shift = Platform::PixelFormat::Shift(mask);
        return mask ? ((channel * (mask >> shift)) / 255) << shift : 0u;
    };
    const uint32_t pixel = place(f.redMask, (argb >> 16) & 0xFF) | place(f.greenMask, (argb >> 8) & 0xFF) |
                           place(f.blueMask, argb & 0xFF);
    for (int y = mViewY; y < mViewY + mViewHeight; ++y) {
        uint8_t* row = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch;
        for (int x = mViewX; x < mViewX + mViewWidth; ++x) {
            if (f.bitsPerPixel == 32) {
                std::memcpy(row + static_cast<ptrdiff_t>(x) * 4, &pixel, 4);
            } else {
                const auto word = static_cast<uint16_t>(pixel);
                std::memcpy(row + static_cast<ptrdiff_t>(x) * 2, &word, 2);
            }
        }
    }
    return mTarget->Unlock();
}

int32_t SoftDevice3D::DrawPrimitive(Primitive type, const ScreenVertex* vertices, int count)
{
    if (!mInScene)
        return kD3DErrSceneNotInScene;
    if (!mTarget)
        return Platform::kDDErrInvalidParams;
    if (mTexture && mTexture->IsLocked())
        return Platform::kDDErrSurfaceBusy;
    bool known = false;
    ModeOf(mBlending, mSourceBlend, mDestBlend, known);
    if (!known)
        return kD3DErrConflictingRenderState;
    if (type != Primitive::LineStrip && type != Primitive::TriangleList && type != Primitive::TriangleStrip &&
        type != Primitive::TriangleFan)
        return kD3DErrInvalidPrimitiveType;
    if (!vertices || count <= 0)
        return Platform::kDDOk;
    Platform::LockedPixels locked;
    if (const int32_t result = mTarget->Lock(locked); result != Platform::kDDOk)
        return result;
    Target target;
    target.surface = mTarget.get();
    target.dest.format = TargetFormat(mTarget->Format(), target.dest.redLow);
    target.dest.bits = locked.bits + static_cast<ptrdiff_t>(mViewY) * locked.pitch +
                       static_cast<ptrdiff_t>(mViewX) * mTarget->Format().BytesPerPixel();
    target.dest.pitch = locked.pitch;
    target.dest.width = mViewWidth;
    target.dest.height = mViewHeight;
    ++mDrawCount;
    if (type == Primitive::LineStrip) {
        for (int i = 0; i + 1 < count; ++i)
            DrawLine(target, vertices[i], vertices[i + 1]);
    } else if (!DrawFromLayer(target, type, vertices, count)) {
        DrawTriangles(target, type, vertices, count);
    }
    return mTarget->Unlock();
}

// Triangles on their way to the rasteriser, two of the same colour and
// shading at a time: the two of a quad, or neighbours in a fan, share their
// rows.
struct SoftDevice3D::Triangles {
    Triangles(const SoftDevice3D& device, const Target& target) : mDevice(device), mTarget(target) {}
    Triangles(const Triangles&) = delete;
    ~Triangles() { Flush(); }

    void Add(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
    {
        FixedVertex* to = mVertices + (mHeld ? 3 : 0);
        ColorInfo color;
        bool shaded = false;
        if (!mDevice.Prepare(a, b, c, to, color, shaded))
            return;
        if (mHeld && (shaded != mShaded || color.alpha != mColor.alpha || color.red != mColor.red ||
                         color.green != mColor.green || color.blue != mColor.blue)) {
            Flush();
            std::copy_n(to, 3, mVertices);
        }
        if (mHeld) {
            mDevice.Run(mTarget, mVertices, 2, mColor, mShaded);
            mHeld = false;
            return;
        }
        mHeld = true;
        mColor = color;
        mShaded = shaded;
    }

    void Flush()
    {
        if (mHeld)
            mDevice.Run(mTarget, mVertices, 1, mColor, mShaded);
        mHeld = false;
    }

private:
    const SoftDevice3D& mDevice;
    const Target& mTarget;
    FixedVertex mVertices[6];
    ColorInfo mColor;
    bool mShaded = false;
    bool mHeld = false;
};

void SoftDevice3D::DrawTriangles(const Target& target, Primitive type, const ScreenVertex* vertices, int count)
{
    Triangles triangles(*this, target);
    switch (type) {
    case Primitive::TriangleList:
        for (int i = 0; i + 2 < count; i += 3)
            triangles.Add(vertices[i], vertices[i + 1], vertices[i + 2]);
        break;
    case Primitive::TriangleStrip:
        for (int i = 0; i + 2 < count; ++i)
            triangles.Add(vertices[i], vertices[i + 1], vertices[i + 2]);
        break;
    case Primitive::TriangleFan:
        for (int i = 1; i + 1 < count; ++i)
            triangles.Add(vertices[0], vertices[i], vertices[i + 1]);
        break;
    case Primitive::LineStrip:
        break;
    }
}

// Whatever decides the pixels: the corners, the render state, where the
// target lies and what the texture holds.
bool SoftDevice3D::DrawFromLayer(const Target& target, Primitive type, const ScreenVertex* vertices, int count)
{
    constexpr int64_t kMostPixels = int64_t{2048} * 2048;
    if (!mTexture || target.dest.format != kFormat888 || int64_t{mViewWidth} * mViewHeight > kMostPixels)
        return false;
    for (int i = 0; i < count; ++i) {
        if (!std::isfinite(vertices[i].y))
            return false;
    }
    SoftTexture& texture = *mTexture;
    LayerKey key;
    key.AddBytes(vertices, sizeof *vertices * static_cast<size_t>(count))
        .Add(count)
        .Add(type)
        .Add(mBlending)
        .Add(mSourceBlend)
        .Add(mDestBlend)
        .Add(mLinear)
        .Add(mViewX)
        .Add(mViewY)
        .Add(target.dest.bits)
        .Add(target.dest.pitch)
        .Add(target.dest.width)
        .Add(target.dest.height)
        .Add(target.dest.redLow)
        .Add(texture.Changes())
        .Add(texture.Palette());
    TriangleLayer& layer = texture.Layer();
    switch (layer.Consider(key)) {
    case TriangleLayer::Use::Draw:
        return false;
    case TriangleLayer::Use::Lay:
        layer.Lay(target.dest);
        return true;
    case TriangleLayer::Use::Record:
        break;
    }
    float low = vertices[0].y;
    float high = vertices[0].y;
    for (int i = 1; i < count; ++i) {
        low = std::min(low, vertices[i].y);
        high = std::max(high, vertices[i].y);
    }
    const int top = static_cast<int>(std::clamp<double>(std::floor(low - static_cast<float>(mViewY)), 0, mViewHeight));
    const int bottom =
        static_cast<int>(std::clamp<double>(std::ceil(high - static_cast<float>(mViewY)) + 1, 0, mViewHeight));
    const std::unique_ptr<uint64_t[]> canvas = TriangleLayer::Canvas(mViewWidth, mViewHeight, top, bottom);
    Target recording = target;
    recording.dest.bits = reinterpret_cast<uint8_t*>(canvas.get());
    recording.dest.pitch = mViewWidth * static_cast<int>(sizeof(uint64_t));
    recording.dest.format = kFormatRecording;
    DrawTriangles(recording, type, vertices, count);
    if (!layer.Build(canvas.get(), mViewWidth, top, bottom, target.dest.redLow))
        return false;
    layer.Lay(target.dest);
    return true;
}

bool SoftDevice3D::Prepare(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, FixedVertex* fixed,
    ColorInfo& color, bool& shaded) const
{
    const ScreenVertex* in[3] = {&a, &b, &c};
    for (const ScreenVertex* p : in)
        if (!std::isfinite(p->x) || !std::isfinite(p->y) || !std::isfinite(p->u) || !std::isfinite(p->v))
            return false;
    const int texWidth = mTexture ? mTexture->Width() : 1;
    const int texHeight = mTexture ? mTexture->Height() : 1;
    for (int k = 0; k < 3; ++k) {
        fixed[k].x = FixedPosition(in[k]->x - static_cast<float>(mViewX));
        fixed[k].y = FixedPosition(in[k]->y - static_cast<float>(mViewY));
        fixed[k].u = FixedTexel(in[k]->u, texWidth);
        fixed[k].v = FixedTexel(in[k]->v, texHeight);
        fixed[k].alpha = FixedChannelOf(in[k]->diffuse, 24);
        fixed[k].red = FixedChannelOf(in[k]->diffuse, 16);
        fixed[k].green = FixedChannelOf(in[k]->diffuse, 8);
        fixed[k].blue = FixedChannelOf(in[k]->diffuse, 0);
    }
    color = ColorOf(a.diffuse);
    shaded = a.diffuse != b.diffuse || a.diffuse != c.diffuse;
    return true;
}

void SoftDevice3D::Run(const Target& target, const FixedVertex* vertices, int triangles, const ColorInfo& color,
    bool shaded) const
{
    bool known = false;
    Job job{vertices, triangles, target.dest, color, shaded, mLinear,
        ModeOf(mBlending, mSourceBlend, mDestBlend, known)};
    if (!mTexture) {
        RunUntextured(job);
        return;
    }
    const SoftTexture& t = *mTexture;
    // Found only where the disc or the read-ahead can use it: most textures
    // are too small to be read ahead, even edged.
    const bool narrows = (job.mode == Mode::Over || job.mode == Mode::Add) && target.dest.format == kFormat888;
    const CornerBox box = narrows || SWTri::CanReadAhead(t.Width() + 2, t.Height() + 2)
                              ? BoxOf(vertices, 3 * triangles)
                              : CornerBox{0, 0, 0, 0, 0};
    if (narrows)
        job.disc = DiscOf(t, box);
    switch (t.Format()) {
    case kTextureA8R8G8B8: {
        // Premultiplied once, the texels spare every sample its multiplies.
        if (const uint32_t* words = job.mode == Mode::AddUnweighted ? nullptr : t.Premultiplied()) {
            const uint32_t* edged = mLinear ? t.EdgedPremultiplied() : nullptr;
            ReadAheadOf(box, words, edged, t.Width(), t.Height());
            RunTarget<PremultipliedFetch, PremultipliedFetch>(
                job, PremultipliedFetch{{words, t.Width(), t.Height(), edged}});
            break;
        }
        const auto* bits = reinterpret_cast<const uint32_t*>(t.Pixels());
        RunTarget<ArgbFetch, PremultipliedFetch>(job,
            ArgbFetch{bits, t.Width(), t.Height(), mLinear ? t.Edged() : nullptr});
        break;
    }
    case kTextureA4R4G4B4:
        RunTarget(job, Argb4444Fetch{t.Pixels(), t.Pitch(), t.Width(), t.Height()});
        break;
    case kTextureR5G6B5:
        RunTarget(job, Rgb565Fetch{t.Pixels(), t.Pitch(), t.Width(), t.Height()});
        break;
    case kTexturePalette8:
        // Rows are packed: the palette's words taken as ARGB draw on the
        // roads every palette image takes. Smooth rows read a pair of taps
        // at a time from the texels' own words.
        if (!t.Palette())
            break;
        if (job.mode == Mode::AddUnweighted) {
            RunTarget<PaletteFetch, PremultipliedPaletteFetch>(job,
                PaletteFetch{t.Palette()->Argb(), t.Pixels(), t.Width(), t.Height()});
        } else if (const uint32_t* words = mLinear ? t.Premultiplied() : nullptr) {
            const uint32_t* edged = t.EdgedPremultiplied();
            ReadAheadOf(box, words, edged, t.Width(), t.Height());
            RunTarget<PremultipliedFetch, PremultipliedFetch>(
                job, PremultipliedFetch{{words, t.Width(), t.Height(), edged}});
        } else {
            RunTarget<PremultipliedPaletteFetch, PremultipliedPaletteFetch>(job,
                PremultipliedPaletteFetch{
                    {t.Palette()->PremultipliedArgb(), t.Pixels(), t.Width(), t.Height()}});
        }
        break;
    default:
        break;
    }
}

// Steps along the longer axis from the first end to the second, one pixel
// per whole or started pixel of length, leaving the last end out: a strip
// lights each joint once. The colour is the first end's.
void SoftDevice3D::DrawLine(const Target& target, const ScreenVertex& a, const ScreenVertex& b)
{
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y))
        return;
    const double x0 = std::clamp(static_cast<double>(a.x) - mViewX, -32767.0, 32767.0);
    const double y0 = std::clamp(static_cast<double>(a.y) - mViewY, -32767.0, 32767.0);
    const double x1 = std::clamp(static_cast<double>(b.x) - mViewX, -32767.0, 32767.0);
    const double y1 = std::clamp(static_cast<double>(b.y) - mViewY, -32767.0, 32767.0);
    const auto steps = static_cast<int>(std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0))));
    const ColorInfo color = ColorOf(a.diffuse);
    const Lanes s = SWTri::Tint::Of(static_cast<uint32_t>(color.alpha), static_cast<uint32_t>(color.red),
        static_cast<uint32_t>(color.green), static_cast<uint32_t>(color.blue))(Lanes{255, 255, 255, 255});
    bool known = false;
    const Mode mode = ModeOf(mBlending, mSourceBlend, mDestBlend, known);
    const Destination& dest = target.dest;
    for (int i = 0; i < steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const auto x = static_cast<int>(std::floor(x0 + (x1 - x0) * t + 0.5));
        const auto y = static_cast<int>(std::floor(y0 + (y1 - y0) * t + 0.5));
        if (x < 0 || y < 0 || x >= dest.width || y >= dest.height)
            continue;
        switch (dest.format) {
        case kFormat888:
            if (dest.redLow)
                Plot<Target888<true>>(dest, x, y, mode, s);
            else
                Plot<Target888<false>>(dest, x, y, mode, s);
            break;
        case kFormat565:
            Plot<Target16<6>>(dest, x, y, mode, s);
            break;
        case kFormat555:
            Plot<Target16<5>>(dest, x, y, mode, s);
            break;
        default:
            break;
        }
    }
}

} // namespace Vorn
