#include "framework/display/D3DTester.h"

#include "framework/app/StringUtils.h"
#include "framework/app/VornAppBase.h"
#include "framework/display/D3DInterface.h"
#include "framework/display/DirectXResultText.h"
#include "platform/RegularFile.h"
#include "platform/SettingsStore.h"
#include "platform/Surface.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace Vorn {

bool gD3DTestA8R8G8B8 = true;

namespace {

constexpr int kTileSize = 64;
constexpr int kReadBackSize = 100;
constexpr int kTolerance = 768;
constexpr uint32_t kVersion = 2;

std::vector<uint8_t> DwordBytes(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
        static_cast<uint8_t>(value >> 24)};
}

// The stored strings carry their terminating zero; what follows the first
// zero is not part of the text.
std::string TextOf(const std::vector<uint8_t>& data)
{
    const auto end = std::find(data.begin(), data.end(), uint8_t{0});
    return std::string(data.begin(), end);
}

bool ListMatches(const char* fileName, const std::string& description, bool& opened)
{
    Platform::RegularFileStream in(fileName);
    opened = static_cast<bool>(in);
    if (!opened)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 3999)
            line.resize(3999);
        const std::string entry = Trim(line);
        if (!entry.empty() && StrFindNoCase(description.c_str(), entry.c_str()) >= 0)
            return true;
    }
    return false;
}

} // namespace

D3DTestImage::D3DTestImage(int width, int height)
    : mPixels(static_cast<size_t>(width) * static_cast<size_t>(height)), mWidth(width), mHeight(height)
{
}

void D3DTestImage::Fill(uint32_t argb)
{
    std::fill(mPixels.begin(), mPixels.end(), argb);
}

void D3DTestImage::Draw(SoftDevice3D& device, const std::shared_ptr<SoftTexture>& texture, int x, int y,
    uint32_t diffuse) const
{
    for (int tileY = 0; tileY < mHeight; tileY += kTileSize)
        for (int tileX = 0; tileX < mWidth; tileX += kTileSize)
            DrawTile(device, texture, x + tileX, y + tileY, tileX, tileY, diffuse);
}

void D3DTestImage::DrawTile(SoftDevice3D& device, const std::shared_ptr<SoftTexture>& shared, int x, int y,
    int tileX, int tileY, uint32_t diffuse) const
{
    SoftTexture& texture = *shared;
    Platform::LockedPixels locked;
    if (texture.Lock(locked) != Platform::kDDOk)
        return;
    const int width = std::min(kTileSize, mWidth - tileX);
    const int height = std::min(kTileSize, mHeight - tileY);
    if (width < kTileSize || height < kTileSize)
        for (int row = 0; row < texture.Height(); ++row)
            std::memset(locked.bits + static_cast<ptrdiff_t>(row) * locked.pitch, 0, static_cast<size_t>(locked.pitch));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const uint32_t c = mPixels[static_cast<size_t>(tileY + row) * static_cast<size_t>(mWidth) +
                                       static_cast<size_t>(tileX + column)];
            uint8_t* out = locked.bits + static_cast<ptrdiff_t>(row) * locked.pitch;
            if (texture.Format() == kTextureA8R8G8B8) {
                std::memcpy(out + static_cast<ptrdiff_t>(column) * 4, &c, 4);
            } else {
                const auto t = static_cast<uint16_t>(((c >> 16) & 0xF000) | ((c >> 12) & 0x0F00) |
                                                     ((c >> 8) & 0x00F0) | ((c >> 4) & 0x000F));
                std::memcpy(out + static_cast<ptrdiff_t>(column) * 2, &t, 2);
            }
        }
    }
    texture.Unlock();
    ScreenVertex quad[4];
    const float left = static_cast<float>(x) - 0.5f;
    const float top = static_cast<float>(y) - 0.5f;
    const auto size = static_cast<float>(kTileSize);
    const float corners[4][4] = {{left, top, 0, 0}, {left, top + size, 0, 1}, {left + size, top, 1, 0},
        {left + size, top + size, 1, 1}};
    for (int k = 0; k < 4; ++k) {
        quad[k].x = corners[k][0];
        quad[k].y = corners[k][1];
        quad[k].u = corners[k][2];
        quad[k].v = corners[k][3];
        quad[k].diffuse = diffuse;
    }
    device.SetTexture(shared);
    device.DrawPrimitive(Primitive::TriangleStrip, quad, 4);
    device.SetTexture(nullptr);
}

D3DTester::D3DTester(VornAppBase* app) : mApp(app) {}

D3DTester::~D3DTester()
{
    Cleanup();
}

void D3DTester::SetVidMemory(int minimum, int recommended)
{
    mMinVidMemory = minimum;
    mRecVidMemory = recommended;
}

void D3DTester::Cleanup()
{
    mDevice.reset();
    mTexture1.reset();
    mTexture2.reset();
    mTestSurface.reset();
    mKeyOpen = false;
}

int D3DTester::ColorDistance(uint32_t a, uint32_t b)
{
    const auto d = [&](int shift) {
        const int x = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        return x * x;
    };
    return d(16) + d(8) + d(0);
}

int D3DTester::HighestBit(uint32_t mask)
{
    return mask ? 31 - std::countl_zero(mask) : -1;
}

uint32_t D3DTester::ChannelAt(uint32_t pixel, uint32_t mask, int top)
{
    const int high = HighestBit(mask);
    const uint32_t c = pixel & mask;
    if (high < 0)
        return 0;
    return (high >= top ? c >> (high - top) : c << (top - high)) & (0xFFu << (top - 7));
}

void D3DTester::CheckDX(const char* operation, int32_t result)
{
    if (result < 0)
        throw TestException(std::string("DXError - ") + operation + ": " + DirectXResultText(result));
}

bool D3DTester::KeyPath(std::string& path) const
{
    std::string name;
    return mApp && mApp->mSettings && mApp->RegistryLocation("Test3D\\Version", path, name);
}

bool D3DTester::ReadValue(const char* name, std::vector<uint8_t>& data)
{
    std::string path;
    uint32_t type = 0;
    data.clear();
    return KeyPath(path) && mApp->mSettings->QueryValue(path, name, type, data);
}

void D3DTester::TestD3D(int screenWidth, int screenHeight, int bitsPerPixel)
{
    if (!mApp || !mApp->mPlaying) {
        mWriteResults = false;
        if (Setup(screenWidth, screenHeight, bitsPerPixel))
            RunTests();
        else if (mUseRegistry && !mWriteResults) {
            std::vector<uint8_t> data;
            mFresh = !ReadValue("FailureReason", data);
            mWriteResults = true;
        }
        if (mWriteResults)
            WriteResults();
        Cleanup();
    }
    if (mApp) {
        mApp->RecordOrReplayString(mFailureReason);
        mApp->RecordOrReplayString(mWarning);
        mApp->RecordOrReplayBool(mFresh);
    }
}

int D3DTester::ReadDriverYear() const
{
    const bool hasFolder = mDriver.find('/') != std::string::npos || mDriver.find('\\') != std::string::npos;
    const std::filesystem::path file = hasFolder ? mDriver : mSystemDirectory + mDriver;
    std::error_code error;
    const auto written = std::filesystem::last_write_time(file, error);
    if (error)
        return 0;
    const auto seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm utc{};
    if (!gmtime_r(&seconds, &utc))
        return 0;
    return utc.tm_year + 1900;
}

bool D3DTester::Setup(int screenWidth, int screenHeight, int bitsPerPixel)
{
    try {
        Cleanup();
        mDriverYear = 0;
        mKeyOpen = mUseRegistry && mApp && mApp->mSettings;
        const AdapterIdentity identity = SoftDevice3D::Identity();
        mDeviceGuid = identity.guid;
        mDriver = identity.driver;
        mDescription = identity.description;
        const uint64_t screenBytes = static_cast<uint64_t>(std::max(bitsPerPixel, 0) / 8) *
                                     static_cast<uint64_t>(std::max(screenWidth, 0)) *
                                     static_cast<uint64_t>(std::max(screenHeight, 0));
        const auto megabytes = static_cast<int64_t>((mVideoMemory + screenBytes) >> 20);
        if (megabytes < mMinVidMemory) {
            mFailureReason = "Not enough video memory.";
            return false;
        }
        if (megabytes < mRecVidMemory)
            mWarning = "Low video memory.";
        if (mUseRegistry) {
            if (ReadCachedResults())
                return false;
            mWriteResults = true;
        }
        mFailureReason.clear();
        mWarning.clear();
        mDriverYear = ReadDriverYear();
        if (!IsSupportedCard())
            mWarning = FormatString("Unsupported video card: %s", mDescription.c_str());

        const Platform::PixelFormat format =
            bitsPerPixel == 16 ? Platform::kFormatR5G6B5 : Platform::kFormatX8R8G8B8;
        std::unique_ptr<Platform::Surface> surface;
        CheckDX("CreateSurface (Primary)",
            Platform::Surface::Create({kReadBackSize, kReadBackSize, format, 0}, surface));
        mTestSurface = std::move(surface);
        mReadBack = D3DTestImage(kReadBackSize, kReadBackSize);
        mDevice = std::make_unique<SoftDevice3D>();
        CheckDX("CreateDevice", mDevice->SetRenderTarget(mTestSurface));
        const int formats = D3DInterface::TextureFormatMask(SoftDevice3D::EnumTextureFormats());
        if ((formats & kTextureA8R8G8B8) == 0) {
            mWarning = "A8R8G8B8 texture format not supported.";
            if ((formats & kTextureA4R4G4B4) == 0) {
                mFailureReason = "A4R4G4B4 and A8R8G8B8 texture formats not supported.";
                return false;
            }
        }
        gD3DTestA8R8G8B8 = (formats & kTextureA8R8G8B8) != 0;
        const int textureFormat = gD3DTestA8R8G8B8 ? kTextureA8R8G8B8 : kTextureA4R4G4B4;
        CheckDX("CreateSurface (TextureSurface1)",
            SoftDevice3D::CreateTexture(kTileSize, kTileSize, textureFormat, mTexture1));
        CheckDX("CreateSurface (TextureSurfacd2)",
            SoftDevice3D::CreateTexture(kTileSize, kTileSize, textureFormat, mTexture2));
        return true;
    } catch (const TestException& e) {
        mFailureReason = e.mText;
        return false;
    }
}

bool D3DTester::ReadCachedResults()
{
    mFresh = true;
    if (!mKeyOpen)
        return false;
    std::vector<uint8_t> data;
    const auto dword = [&](const char* name, uint32_t expected) {
        return ReadValue(name, data) && data == DwordBytes(expected);
    };
    if (!dword("Version", kVersion) || !dword("MinVidMemory", static_cast<uint32_t>(mMinVidMemory)) ||
        !dword("RecVidMemory", static_cast<uint32_t>(mRecVidMemory)))
        return false;
    if (!ReadValue("DisplayGUID", data) || data.size() != mDeviceGuid.size() ||
        !std::equal(data.begin(), data.end(), mDeviceGuid.begin()))
        return false;
    if (!ReadValue("FailureReason", data) || data.size() > 4096)
        return false;
    mFailureReason = TextOf(data);
    if (!ReadValue("Warning", data) || data.size() > 4096)
        return false;
    mWarning = TextOf(data);
    mFresh = false;
    return mFailureReason.empty();
}

void D3DTester::WriteResults()
{
    std::string path;
    if (!KeyPath(path))
        return;
    Platform::SettingsStore& store = *mApp->mSettings;
    const auto dword = [&](const char* name, uint32_t value) {
        const std::vector<uint8_t> bytes = DwordBytes(value);
        store.SetValue(path, name, Platform::kSettingDword, bytes.data(), bytes.size());
    };
    const auto text = [&](const char* name, const std::string& value) {
        store.SetValue(path, name, Platform::kSettingString, reinterpret_cast<const uint8_t*>(value.c_str()),
            value.size() + 1);
    };
    dword("Version", kVersion);
    dword("MinVidMemory", static_cast<uint32_t>(mMinVidMemory));
    dword("RecVidMemory", static_cast<uint32_t>(mRecVidMemory));
    store.SetValue(path, "DisplayGUID", Platform::kSettingBinary, mDeviceGuid.data(), mDeviceGuid.size());
    text("FailureReason", mFailureReason);
    text("Warning", mWarning);
}

bool D3DTester::IsSupportedCard() const
{
    bool opened = false;
    if (ListMatches("vhwb.dat", mDescription, opened))
        return false;
    const bool onList = ListMatches("vhw.dat", mDescription, opened);
    if (opened)
        return onList;
    const std::string lower = StringToLower(mDescription);
    return mDriverYear >= 2002 || lower.find("nvidia") != std::string::npos ||
           lower.find("radeon") != std::string::npos || lower.find("ati ") != std::string::npos;
}

struct D3DTester::BlendTest {
    BlendFactor source;
    BlendFactor dest;
    uint32_t firstFill;
    uint32_t firstVertex;
    uint32_t secondFill;
    uint32_t secondVertex;
    uint32_t expected;
    const char* notUniform;
    const char* failed;
};

bool D3DTester::RunTests()
{
    static const BlendTest kTests[] = {
        {BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, 0xFF0000FF, 0xFFFFFFFF, 0x80FF0000, 0xFFFFFFFF, 0x7F007F,
            "Alpha blend test not uniform.", "Alpha blend Not Supported"},
        {BlendFactor::One, BlendFactor::One, 0xFF404040, 0xFFFFFFFF, 0xFF404040, 0xFFFFFFFF, 0x808080,
            "Additive blend test not uniform.", "Additive blend not supported."},
        {BlendFactor::SrcAlpha, BlendFactor::One, 0xFF404040, 0xFFFFFFFF, 0x80808080, 0xFFFFFFFF, 0x808080,
            "AlphaAdd blend test not uniform.", "AlphaAdd blend not supported."},
        {BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0x80FFFFFF, 0x7F007F,
            "AlphaModulated blend test not uniform.", "AlphaModulated blend not supported."},
    };
    for (const BlendTest& test : kTests)
        if (!RunBlendTest(test))
            return false;
    return TestClipping();
}

void D3DTester::BeginTestScene(BlendFactor source, BlendFactor dest)
{
    CheckDX("", mDevice->BeginScene());
    CheckDX("Clear", mDevice->Clear(0xFF000000));
    mDevice->SetBlending(true);
    mDevice->SetBlendFactors(source, dest);
}

bool D3DTester::RunBlendTest(const BlendTest& test)
{
    try {
        BeginTestScene(test.source, test.dest);
        D3DTestImage image(kTileSize, kTileSize);
        image.Fill(test.firstFill);
        image.Draw(*mDevice, mTexture1, 0, 0, test.firstVertex);
        image.Fill(test.secondFill);
        image.Draw(*mDevice, mTexture1, 0, 0, test.secondVertex);
        CheckDX("EndScene", mDevice->EndScene());
        CopyPrimary();
    } catch (const TestException& e) {
        mDevice->EndScene();
        mFailureReason = e.mText;
        return false;
    }
    bool uniform = true;
    if (CheckUniformArea(test.expected, uniform) > 0) {
        mFailureReason = test.failed;
        return false;
    }
    if (!uniform)
        mWarning = test.notUniform;
    return true;
}

bool D3DTester::TestClipping()
{
    try {
        BeginTestScene(BlendFactor::SrcAlpha, BlendFactor::InvSrcAlpha);
        D3DTestImage image(kTileSize, kTileSize);
        for (int y = 0; y < kTileSize; ++y)
            for (int x = 0; x < kTileSize; ++x)
                image.mPixels[static_cast<size_t>(y * kTileSize + x)] = x % 2 == 0 ? 0xFF000000 : 0xFFFFFFFF;
        image.Draw(*mDevice, mTexture1, -2, -2, 0xFFFFFFFF);
        CheckDX("EndScene", mDevice->EndScene());
        CopyPrimary();
    } catch (const TestException& e) {
        mDevice->EndScene();
        mFailureReason = e.mText;
        return false;
    }
    if (CountStripeErrors() > 0)
        mWarning = "Clip problem detected.";
    return true;
}

void D3DTester::CopyPrimary()
{
    Platform::LockedPixels locked;
    CheckDX("CopyPrimary Lock", mTestSurface->Lock(locked));
    const Platform::PixelFormat& f = mTestSurface->Format();
    if (f.bitsPerPixel == 24) {
        mTestSurface->Unlock();
        throw TestException("Can't test 24-bit mode.");
    }
    if (f.bitsPerPixel != 16 && f.bitsPerPixel != 32) {
        mTestSurface->Unlock();
        throw TestException("Invalid Color Depth");
    }
    const int width = std::min(kReadBackSize, mTestSurface->Width());
    const int height = std::min(kReadBackSize, mTestSurface->Height());
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            if (f.bitsPerPixel == 32) {
                std::memcpy(&pixel, row + static_cast<ptrdiff_t>(x) * 4, 4);
            } else {
                uint16_t word = 0;
                std::memcpy(&word, row + static_cast<ptrdiff_t>(x) * 2, 2);
                pixel = word;
            }
            mReadBack.mPixels[static_cast<size_t>(y * kReadBackSize + x)] = 0xFF000000u |
                ChannelAt(pixel, f.redMask, 23) | ChannelAt(pixel, f.greenMask, 15) | ChannelAt(pixel, f.blueMask, 7);
        }
    }
    mTestSurface->Unlock();
}

int D3DTester::CheckUniformArea(uint32_t expected, bool& uniform) const
{
    uniform = true;
    int off = 0;
    const uint32_t first = mReadBack.mPixels.empty() ? 0 : mReadBack.mPixels[0];
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const uint32_t pixel = mReadBack.mPixels[static_cast<size_t>(y * kReadBackSize + x)];
            if (pixel != first)
                uniform = false;
            if (ColorDistance(pixel, expected) > kTolerance)
                ++off;
        }
    }
    return off;
}

int D3DTester::CountStripeErrors() const
{
    int errors = 0;
    for (int y = 0; y < 62; ++y) {
        for (int x = 0; x < 62; ++x) {
            const uint32_t expected = x % 2 == 0 ? 0xFF000000 : 0xFFFFFFFF;
            if (mReadBack.mPixels[static_cast<size_t>(y * kReadBackSize + x)] != expected)
                ++errors;
        }
    }
    return errors;
}

} // namespace Vorn
