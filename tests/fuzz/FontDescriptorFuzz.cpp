// libFuzzer target: any bytes, read as a font descriptor from memory, then
// the font it makes measured and drawn at its own size and at others. Every
// LayerSetImage takes one small image in memory, so that image maps, scaled
// layers and drawing are reached without files.

#include "framework/graphics/FontData.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageFont.h"
#include "framework/graphics/MemoryImage.h"

#include "framework/app/StringUtils.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

class FuzzFontData : public Vorn::FontData {
public:
    explicit FuzzFontData(Vorn::MemoryImage* image) : mImage(image) {}

    void Read(const std::string& text) { mInitialized = ReadDescriptorText(text); }

    bool ExecuteCommand(Vorn::ListDataElement& params) override
    {
        const auto& values = params.mElementVector;
        if (values.size() == 3 && !values[0]->mIsList &&
            Vorn::StringToUpper(static_cast<const Vorn::SingleDataElement&>(*values[0]).mString) == "LAYERSETIMAGE") {
            Vorn::GlyphLayer* layer = nullptr;
            if (!GetLayerFromDataElement(values[1].get(), layer))
                return false;
            layer->mImage = mImage;
            return true;
        }
        return FontData::ExecuteCommand(params);
    }

private:
    Vorn::MemoryImage* mImage;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Vorn::MemoryImage glyphs(nullptr);
    std::vector<uint32_t> pixels(32 * 16);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint32_t>(i * 0x01030507u) | 0x80000000u;
    glyphs.SetBits(pixels.data(), 32, 16);

    auto fontData = std::make_shared<FuzzFontData>(&glyphs);
    fontData->Read(std::string(reinterpret_cast<const char*>(data), size));

    // A font whose data did not load from its (missing) width list, given
    // the data read here instead.
    Vorn::ImageFont font(&glyphs, "");
    font.mFontData = fontData;
    Vorn::MemoryImage screen(nullptr);
    screen.Create(64, 32);
    Vorn::Graphics g(&screen);
    const std::string text = "AVa\xE9 \x80\xFFWo";
    for (const double scale : {1.0, 0.5, 3.0, -1.0}) {
        font.SetScale(scale);
        font.SetPointSize(font.GetDefaultPointSize() + (scale == 3.0 ? 4 : 0));
        font.AddTag(scale < 0 ? "bold" : "");
        font.StringWidth(text);
        std::vector<Vorn::Rect> rects;
        int width = 0;
        font.DrawStringLayered(&g, 3, 20, text, Vorn::Color(200, 100, 50, 255), Vorn::Rect(), &rects, &width);
        font.Duplicate();
    }
    font.GetDefinition("A");
    return 0;
}
