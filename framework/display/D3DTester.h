#pragma once
// Whether the 3D road may be used on this machine: video memory, the card
// against two optional lists, the texture formats, then four blend tests
// and a clipping test drawn on a small surface and read back. The verdict
// is a failure (3D must not be used), a warning (3D works, with a doubt) and
// whether it is new. A verdict without a failure is kept in the settings,
// keyed by the device and the memory limits, so that later starts skip the
// drawing.

#include "framework/display/SoftDevice3D.h"

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace Vorn {

class VornAppBase;

// Selects the texture format the test image is copied into.
extern bool gD3DTestA8R8G8B8;

class D3DTestImage {
public:
    D3DTestImage() = default;
    D3DTestImage(int width, int height);
    void Fill(uint32_t argb);
    // Draws the image tile by tile through `texture` at (x, y).
    void Draw(SoftDevice3D& device, const std::shared_ptr<SoftTexture>& texture, int x, int y, uint32_t diffuse) const;

    std::vector<uint32_t> mPixels;
    int mWidth = 0;
    int mHeight = 0;

private:
    void DrawTile(SoftDevice3D& device, const std::shared_ptr<SoftTexture>& texture, int x, int y, int tileX,
        int tileY, uint32_t diffuse) const;
};

class D3DTester {
public:
    class TestException : public std::exception {
    public:
        explicit TestException(std::string text) : mText(std::move(text)) {}
        const char* what() const noexcept override { return mText.c_str(); }
        std::string mText;
    };

    explicit D3DTester(VornAppBase* app);
    ~D3DTester();
    D3DTester(const D3DTester&) = delete;
    D3DTester& operator=(const D3DTester&) = delete;

    void SetVidMemory(int minimum, int recommended);
    // The screen the test surface takes its format from.
    void TestD3D(int screenWidth, int screenHeight, int bitsPerPixel);
    void Cleanup();

    // Sum of the squared differences of red, green and blue.
    static int ColorDistance(uint32_t a, uint32_t b);
    // The highest set bit's index; -1 for 0.
    static int HighestBit(uint32_t mask);
    // The channel of `pixel` under `mask`, its highest bit moved to `top`.
    static uint32_t ChannelAt(uint32_t pixel, uint32_t mask, int top);
    bool IsSupportedCard() const;

    std::array<uint8_t, 16> mDeviceGuid{};
    std::string mDriver;
    std::string mDescription;
    D3DTestImage mReadBack;
    std::string mFailureReason;
    std::string mWarning;
    int mMinVidMemory = 0;
    int mRecVidMemory = 0;
    bool mUseRegistry = true;
    bool mWriteResults = false;
    bool mFresh = false;
    int mDriverYear = 0;
    // Where a driver named without a folder lies.
    std::string mSystemDirectory = "/usr/lib/";
    // The video memory the device reports, in bytes.
    uint64_t mVideoMemory = SoftDevice3D::kTextureMemory;

    // The steps, open for the tests.
    bool Setup(int screenWidth, int screenHeight, int bitsPerPixel);
    bool ReadCachedResults();
    void WriteResults();
    bool RunTests();
    void CopyPrimary();
    // Pixels off by more than the tolerance among the 10 x 10 at the top
    // left; `uniform` tells whether all equal the first.
    int CheckUniformArea(uint32_t expected, bool& uniform) const;
    int CountStripeErrors() const;
    void CheckDX(const char* operation, int32_t result);

    std::shared_ptr<Platform::Surface> mTestSurface;
    std::shared_ptr<SoftTexture> mTexture1;
    std::shared_ptr<SoftTexture> mTexture2;
    std::unique_ptr<SoftDevice3D> mDevice;

private:
    struct BlendTest;
    bool RunBlendTest(const BlendTest& test);
    bool TestClipping();
    void BeginTestScene(BlendFactor source, BlendFactor dest);
    bool KeyPath(std::string& path) const;
    bool ReadValue(const char* name, std::vector<uint8_t>& data);
    int ReadDriverYear() const;

    VornAppBase* mApp;
    bool mKeyOpen = false;
};

} // namespace Vorn
